// SQL scripts compiled into the program, so that a fresh build can make a
// snapshot without any file beside it.
#pragma once

#include <string_view>

namespace scenarios {

// The demo enterprise (demo.sql): INSERT statements only.
std::string_view demoEnterpriseSql();

} // namespace scenarios
