#include "names.h"

#include <array>

namespace scenarios::names {

namespace {

constexpr std::array<std::string_view, 8> highLevelQualifiers = {
    "PAY", "GL", "AR", "AP", "HR", "INV", "MKT", "ORD"};
constexpr std::array<std::string_view, 8> lowLevelQualifiers = {
    "MASTER", "HISTORY", "CNTL", "LOADLIB", "DATA", "INDEX", "BACKUP", "REPORT"};
constexpr std::array<std::string_view, 16> jobPrefixes = {
    "PAYRL", "GLPOST", "ARBAT", "APINV", "HRBEN", "INVUPD", "MKTDW", "ORDPK",
    "DB2UTL", "CICSR", "TSOU", "SMFDMP", "HSMBK", "IEBCPY", "SORTX", "RPTGEN"};

constexpr int dataSetWidth = 44;

// Zero-padded decimal of fixed width.
void appendDigits(std::string& out, long value, int width) {
    std::string digits(static_cast<size_t>(width), '0');
    for (int i = width - 1; i >= 0 && value > 0; --i, value /= 10)
        digits[static_cast<size_t>(i)] = static_cast<char>('0' + value % 10);
    out += digits;
}

void appendBase36(std::string& out, long value, int width) {
    static constexpr std::string_view digits36 = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string digits(static_cast<size_t>(width), '0');
    for (int i = width - 1; i >= 0 && value > 0; --i, value /= 36)
        digits[static_cast<size_t>(i)] = digits36[static_cast<size_t>(value % 36)];
    out += digits;
}

void padTo(std::string& out, size_t width) {
    if (out.size() < width) out.append(width - out.size(), ' ');
}

} // namespace

std::string enqplexName(int enqplex) {
    return "ENQPLEX" + std::to_string(enqplex + 1);
}

std::string sysplexName(int enqplex, int sysplex) {
    std::string name = "PLX" + std::to_string(enqplex + 1);
    name += static_cast<char>('A' + sysplex);
    return name;
}

std::string systemName(int enqplex, int sysplex, int sys) {
    std::string name = "SYS" + std::to_string(enqplex + 1);
    name += static_cast<char>('A' + sysplex);
    appendDigits(name, sys + 1, 2);
    return name;
}

std::string plexHubNode(std::string_view sysplex) {
    return std::string(sysplex) + ":PLEXHUB";
}

std::string agentNode(std::string_view system) {
    return std::string(system) + ":AGENT";
}

std::string cicsAgentNode(std::string_view system) {
    return std::string(system) + ":CICSAGT";
}

std::string thruNode(std::string_view shortName) {
    return "RTEMS_" + std::string(shortName);
}

std::string jobName(int job) {
    std::string name(jobPrefixes[static_cast<size_t>(job) % jobPrefixes.size()]);
    appendDigits(name, job / static_cast<int>(jobPrefixes.size()), 2);
    return name;
}

void resourceName(int enqplex, int serial, ResourceName& out) {
    const bool everywhere = serial % 4 == 0;
    const std::string_view hlq = highLevelQualifiers[static_cast<size_t>(serial) % 8];
    const std::string_view llq = lowLevelQualifiers[static_cast<size_t>(serial / 8) % 8];
    std::string middle = everywhere ? std::string("SHARED") : "PROD" + std::to_string(enqplex + 1);

    std::string& minor = out.minor;
    minor.clear();
    auto appendDataSet = [&](std::string_view last) {
        minor += hlq;
        minor += '.';
        minor += middle;
        minor += ".F";
        appendDigits(minor, serial, 6);
        minor += '.';
        minor += last;
    };

    switch (serial % 10) {
    case 6:
    case 7: // an ISPF edit: the data set padded to 44, then the member
        out.major = "SPFEDIT";
        minor += hlq;
        minor += '.';
        minor += middle;
        minor += ".SOURCE";
        padTo(minor, dataSetWidth);
        minor += 'P';
        appendDigits(minor, serial, 7);
        break;
    case 8: // the VVDS of a volume
        out.major = "SYSZVVDS";
        minor += "SYS1.VVDS.V";
        minor += everywhere ? 'S' : static_cast<char>('A' + enqplex);
        appendBase36(minor, serial, 5);
        break;
    case 9: // a VSAM cluster: its name and its catalog's, each padded to 44
        out.major = "SYSVSAM";
        appendDataSet("KSDS");
        padTo(minor, dataSetWidth);
        minor += "CATALOG.UCAT.";
        minor += hlq;
        padTo(minor, 2 * dataSetWidth);
        minor += 'I';
        break;
    default:
        out.major = "SYSDSN";
        appendDataSet(llq);
        break;
    }
}

} // namespace scenarios::names
