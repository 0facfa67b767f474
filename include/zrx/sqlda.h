// The output SQLDA: the host's description of a query's result columns,
// refilled by every FetchRow. The module reads only the column count and,
// per column, the length, the value and the null indicator.
//   SQLDA        +12 column count (16-bit), entries from +16
//   column entry +2 length (16-bit), +16 value reference,
//                +32 reference to a 16-bit null indicator (negative: null)
// Entries are 68 bytes apart on the 32-bit platform; elsewhere they are
// sizeof(SqlColumn) apart.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrx {

struct SqlColumn {
    int16_t host0;
    int16_t length;
    uint8_t host1[12];
    const void* data;
    uint8_t host2[16 - sizeof(void*)];
    const int16_t* nullInd;
    uint8_t host3[36 - sizeof(void*)];
};

struct SQLDA {
    uint8_t host0[12];
    int16_t count;
    int16_t host1;
    SqlColumn column[1]; // `count` entries; the host allocates room for them
};

inline constexpr std::size_t sqldaSize(std::size_t columns) {
    return offsetof(SQLDA, column) + (columns ? columns : 1) * sizeof(SqlColumn);
}

// Column entry i, found by its byte offset so that no array bound is
// stretched.
inline SqlColumn* sqldaColumn(SQLDA* d, std::size_t i) {
    return reinterpret_cast<SqlColumn*>(reinterpret_cast<unsigned char*>(d) +
                                        offsetof(SQLDA, column) + i * sizeof(SqlColumn));
}
inline const SqlColumn* sqldaColumn(const SQLDA* d, std::size_t i) {
    return reinterpret_cast<const SqlColumn*>(reinterpret_cast<const unsigned char*>(d) +
                                              offsetof(SQLDA, column) + i * sizeof(SqlColumn));
}

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(SqlColumn) == 68);
static_assert(offsetof(SqlColumn, length) == 2);
static_assert(offsetof(SqlColumn, data) == 16);
static_assert(offsetof(SqlColumn, nullInd) == 32);
static_assert(offsetof(SQLDA, count) == 12);
static_assert(offsetof(SQLDA, column) == 16);
#endif

} // namespace zrx
