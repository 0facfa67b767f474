// The texts that identify this build of the module.
#pragma once

namespace zrx {

inline constexpr char unitName[] = "ZRXENQML";
inline constexpr char versionText[] = "V130";
inline constexpr char buildDate[] = "Dec 28 2004";
// The version routine and the build record report 19:34:20; the build
// information list of attributes carries the time its own build stamped.
inline constexpr char traceBuildTime[] = "19:34:20";
inline constexpr char buildRecordTime[] = "19:34:25";

} // namespace zrx
