#include "pe_tables.h"

#include <cstdio>
#include <memory>
#include <sstream>

namespace zrxtest {

namespace {

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

std::vector<std::string> words(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

bool isHex(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

uint32_t hex(const std::string& s) { return static_cast<uint32_t>(std::stoul(s, nullptr, 16)); }

// "[   0] +base[  10] 75b0 Export RVA" or "[   0] cnt1entd": the bracketed
// index and what follows it.
bool bracketed(const std::string& line, uint32_t& index, std::string& rest) {
    std::string t = trim(line);
    if (t.empty() || t[0] != '[') return false;
    size_t close = t.find(']');
    if (close == std::string::npos) return false;
    index = static_cast<uint32_t>(std::stoul(t.substr(1, close - 1)));
    rest = trim(t.substr(close + 1));
    return true;
}

} // namespace

PeTables parsePeTables(const std::string& text) {
    PeTables pe;
    enum class Section { None, Imports, ImportEntries, ExportAddresses, ExportNames };
    Section section = Section::None;
    uint32_t firstThunk = 0;
    std::vector<PeImport>* entries = nullptr;
    std::map<uint32_t, uint32_t> addressOrdinals; // export address index -> ordinal
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const std::string s = trim(line);
        const std::vector<std::string> w = words(s);
        if (size_t p = line.find("file format "); p != std::string::npos)
            pe.format = trim(line.substr(p + 12));
        if (w.size() >= 2 && w[0] == "Magic") pe.magic = w[1];
        if (w.size() >= 2 && w[0] == "ImageBase") pe.imageBase = hex(w[1]);
        if (w.size() >= 2 && w[0] == "AddressOfEntryPoint") pe.entryPoint = hex(w[1]);
        if (s.rfind("The Import Tables", 0) == 0) {
            section = Section::Imports;
            continue;
        }
        if (s.rfind("Export Address Table -- Ordinal Base", 0) == 0) {
            pe.ordinalBase = static_cast<uint32_t>(std::stoul(w.back()));
            section = Section::ExportAddresses;
            continue;
        }
        if (s == "[Ordinal/Name Pointer] Table") {
            section = Section::ExportNames;
            continue;
        }
        uint32_t index = 0;
        std::string rest;
        switch (section) {
        case Section::Imports:
            // A descriptor: vma, hint table, stamp, chain, name, first thunk.
            if (w.size() == 6 && isHex(w[0]) && isHex(w[5])) firstThunk = hex(w[5]);
            if (s.rfind("DLL Name: ", 0) == 0) {
                entries = &pe.imports[s.substr(10)];
                section = Section::ImportEntries;
            } else if (s.rfind("There is", 0) == 0 || s.rfind("The Export", 0) == 0) {
                section = Section::None;
            }
            break;
        case Section::ImportEntries:
            if (s.empty()) {
                section = Section::Imports;
            } else if (w.size() >= 3 && isHex(w[0])) {
                // "80000006  6  <none>" by ordinal, "315f6  1  TRX5_Event" by name.
                PeImport imp;
                imp.iatAddress = pe.imageBase + firstThunk + 4 * static_cast<uint32_t>(entries->size());
                if (w[2] == "<none>")
                    imp.ordinal = static_cast<uint32_t>(std::stoul(w[1]));
                else
                    imp.name = w[2];
                entries->push_back(imp);
            }
            break;
        case Section::ExportAddresses:
            if (bracketed(line, index, rest)) {
                // "+base[  10] 75b0 Export RVA"
                size_t open = rest.find('['), close = rest.find(']');
                if (open != std::string::npos && close != std::string::npos)
                    addressOrdinals[index] =
                        static_cast<uint32_t>(std::stoul(rest.substr(open + 1, close - open - 1)));
            } else if (!s.empty()) {
                section = Section::None;
            }
            break;
        case Section::ExportNames:
            if (bracketed(line, index, rest))
                pe.exports.push_back({pe.ordinalBase + index, rest});
            else if (!s.empty())
                section = Section::None;
            break;
        case Section::None:
            break;
        }
    }
    // An export without a name shows only in the address table.
    for (const auto& [index, ordinal] : addressOrdinals) {
        bool named = false;
        for (const PeExport& e : pe.exports) named = named || e.ordinal == ordinal;
        if (!named) pe.exports.push_back({ordinal, ""});
    }
    return pe;
}

std::optional<std::string> commandOutput(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return std::nullopt;
    std::string out;
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get())) out.append(buffer, n);
    if (pclose(pipe.release()) != 0) return std::nullopt;
    return out;
}

std::vector<std::string> disassemblyOf(const std::string& disassembly, const std::string& symbol) {
    std::vector<std::string> lines;
    std::istringstream in(disassembly);
    bool inside = false;
    const std::string label = "<" + symbol + ">:";
    for (std::string line; std::getline(in, line);) {
        bool isLabel = line.size() > 2 && line.back() == ':' && line.find(" <") != std::string::npos &&
                       line.find('\t') == std::string::npos;
        if (isLabel) {
            inside = line.find(label) != std::string::npos;
            continue;
        }
        if (inside) lines.push_back(line);
    }
    return lines;
}

uint32_t labelAddress(const std::string& disassembly, const std::string& symbol) {
    const std::string label = " <" + symbol + ">:";
    size_t at = disassembly.find(label);
    if (at == std::string::npos) return 0;
    size_t begin = disassembly.rfind('\n', at) + 1;
    const std::string address = disassembly.substr(begin, at - begin);
    return isHex(address) ? hex(address) : 0;
}

} // namespace zrxtest
