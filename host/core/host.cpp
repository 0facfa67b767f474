#include "core/host.h"

namespace host {

Host::Host(DataSource* source) : source_(source) {}

void Host::log(std::string_view message) const {
    if (log_) log_(message);
}

uint32_t Host::newId(uint16_t& check, bool valid) {
    ++serial_;
    // Check values vary from object to object so that a handle of one object
    // never passes for another's.
    uint32_t mixed = serial_ * 0x9E3779B1u;
    check = static_cast<uint16_t>((mixed >> 16) | 1u);
    uint16_t low = valid ? check : static_cast<uint16_t>(check ^ 0x5A5Au);
    return (serial_ << 16) | low;
}

} // namespace host
