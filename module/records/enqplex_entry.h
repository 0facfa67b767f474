// One entry of the Enqplex table: an Enqplex with its PlexHubs and Systems.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrx {

struct SORow;

inline constexpr int maxENQP = 8;    // Enqplexes
inline constexpr int maxPlexHubs = 8; // PlexHubs per Enqplex
inline constexpr int maxSystems = 64; // Systems per Enqplex

inline constexpr uint8_t mimManaged = 0x80;    // EnqpFlags
inline constexpr uint8_t thruNodeKnown = 0x80; // SysFlags

struct EnqplxEntry {
    char EnqpName[8];
    uint8_t EnqpFlags;
    int32_t numPHs;
    int32_t numSys;
    char PHNames[maxPlexHubs][8];
    char PHNodes[maxPlexHubs][32];
    char PHThruNodes[maxPlexHubs][32];
    uint8_t SysFlags[maxSystems];
    char SysNames[maxSystems][8];
    char SysPHNames[maxSystems][8];
    char SysEnqpText[maxSystems][32];
    char SysEnqpNames[maxSystems][8];
    char MIMJbNm[maxSystems][8];
    char SysThruNodes[maxSystems][32];
    SORow* SOR1st;
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(EnqplxEntry) == 6808);
static_assert(offsetof(EnqplxEntry, EnqpFlags) == 8);
static_assert(offsetof(EnqplxEntry, numPHs) == 12);
static_assert(offsetof(EnqplxEntry, numSys) == 16);
static_assert(offsetof(EnqplxEntry, PHNames) == 20);
static_assert(offsetof(EnqplxEntry, PHNodes) == 84);
static_assert(offsetof(EnqplxEntry, PHThruNodes) == 340);
static_assert(offsetof(EnqplxEntry, SysFlags) == 596);
static_assert(offsetof(EnqplxEntry, SysNames) == 660);
static_assert(offsetof(EnqplxEntry, SysPHNames) == 1172);
static_assert(offsetof(EnqplxEntry, SysEnqpText) == 1684);
static_assert(offsetof(EnqplxEntry, SysEnqpNames) == 3732);
static_assert(offsetof(EnqplxEntry, MIMJbNm) == 4244);
static_assert(offsetof(EnqplxEntry, SysThruNodes) == 4756);
static_assert(offsetof(EnqplxEntry, SOR1st) == 6804);
#endif

} // namespace zrx
