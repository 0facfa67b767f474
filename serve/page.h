// The page at /: its files, compiled into the program from serve/page/.
#pragma once

#include <string_view>

namespace serve {

std::string_view pageHtml();
std::string_view pageCss();
std::string_view pageScript();

} // namespace serve
