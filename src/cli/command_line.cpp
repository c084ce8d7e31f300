#include "cli/command_line.hpp"

#include "world/stages.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace kueruma::cli {

namespace {

// Every program's --help ends with the options every program has.
constexpr const char* commonOptions =
    "--help prints this help and --version the program's version.\n";

} // namespace

CommandLine::CommandLine(std::string_view program, std::string_view usage, std::string_view details,
                         std::initializer_list<OptionSpec> options)
    : program_(program), usage_(usage), details_(details), options_(options) {}

const OptionSpec* CommandLine::find(std::string_view name) const {
    for (const OptionSpec& option : options_) {
        if (option.name == name) return &option;
    }
    return nullptr;
}

bool CommandLine::read(int argc, char** argv) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            operands_.emplace_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            exitStatus_ = print(std::string(usage_) + std::string(details_) + commonOptions);
            return false;
        } else if (arg == "--version") {
            exitStatus_ = print(std::string(program_) + " " + programVersion() + "\n");
            return false;
        } else if (!readOption(arg, i, argc, argv)) {
            return false;
        }
    }
    return true;
}

std::string CommandLine::readWords(const std::vector<std::string>& words) {
    std::vector<std::string> args{std::string(program_)};
    args.insert(args.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    quiet_ = true;
    mistake_.clear();
    const bool good = read(static_cast<int>(argv.size()), argv.data());
    quiet_ = false;
    if (good) return {};
    return mistake_.empty() ? "--help and --version do not belong here" : mistake_;
}

bool CommandLine::readOption(std::string_view arg, int& i, int argc, char** argv) {
    const std::size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    const OptionSpec* option = find(name);
    if (option == nullptr) {
        exitStatus_ = fail("unknown option '" + printable(arg, 40) + "'");
        return false;
    }
    if (has(name)) {
        exitStatus_ = fail(std::string(name) + " is given twice");
        return false;
    }
    std::string value;
    if (!option->takesValue) {
        if (equals != std::string_view::npos) {
            exitStatus_ = fail(std::string(name) + " takes no value");
            return false;
        }
    } else if (equals != std::string_view::npos) {
        value = arg.substr(equals + 1);
    } else if (i + 1 < argc) {
        value = argv[++i];
    } else {
        exitStatus_ = fail(std::string(name) + " needs a value");
        return false;
    }
    given_.push_back({option->name, std::move(value)});
    return true;
}

bool CommandLine::has(std::string_view name) const {
    return value(name) != nullptr;
}

const std::string* CommandLine::value(std::string_view name) const {
    for (const Given& given : given_) {
        if (given.name == name) return &given.value;
    }
    return nullptr;
}

namespace {

std::string outOfRange(std::string_view name, const std::string& text, std::string_view kind,
                       const std::string& lo, const std::string& hi) {
    return "bad " + std::string(name) + " '" + printable(text) + "' (" + std::string(kind) +
           " from " + lo + " to " + hi + ")";
}

// Digits with at most one point: no sign, exponent, hexadecimal or words such as "nan".
bool parseDecimal(const std::string& text, double& value) {
    if (text.empty() || text == "." || std::count(text.begin(), text.end(), '.') > 1) return false;
    for (char c : text) {
        if (c != '.' && (c < '0' || c > '9')) return false;
    }
    value = std::strtod(text.c_str(), nullptr);
    return true;
}

// A number as the command line shows it: no exponent, no trailing zeros.
std::string shortText(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    std::string shown = text;
    while (shown.back() == '0') shown.pop_back();
    if (shown.back() == '.') shown.pop_back();
    return shown;
}

} // namespace

std::string CommandLine::wholeNumber(std::string_view name, long long lo, long long hi,
                                     long long& value) const {
    const std::string* text = this->value(name);
    if (text == nullptr) return "";
    long long read = 0;
    if (parseWholeNumber(*text, hi, read) && read >= lo) {
        value = read;
        return "";
    }
    return outOfRange(name, *text, "a whole number", std::to_string(lo), std::to_string(hi));
}

std::string CommandLine::number(std::string_view name, double lo, double hi, double& value) const {
    const std::string* text = this->value(name);
    if (text == nullptr) return "";
    double read = 0;
    if (parseDecimal(*text, read) && read >= lo && read <= hi) {
        value = read;
        return "";
    }
    return outOfRange(name, *text, "a number", shortText(lo), shortText(hi));
}

int CommandLine::fail(std::string_view message) const {
    if (quiet_) {
        mistake_ = message;
        return 2;
    }
    std::fprintf(stderr, "%.*s: %.*s\n%.*s", static_cast<int>(program_.size()), program_.data(),
                 static_cast<int>(message.size()), message.data(), static_cast<int>(usage_.size()),
                 usage_.data());
    return 2;
}

int CommandLine::print(std::string text) {
    if (quiet_) return 2;
    printed_ = std::move(text);
    const bool written =
        std::fwrite(printed_.data(), 1, printed_.size(), stdout) == printed_.size();
    if (written && std::fflush(stdout) == 0) return 0;
    std::fprintf(stderr, "%.*s: cannot write to standard output\n",
                 static_cast<int>(program_.size()), program_.data());
    return 1;
}

const char* programVersion() {
    return KUERUMA_VERSION;
}

bool closeStandardOutput(std::string& error) {
    const bool lost = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    const int flushError = errno;
    if (std::fclose(stdout) != 0 && !lost && errno != EBADF) {
        error = std::strerror(errno);
        return false;
    }
    if (lost) error = std::strerror(flushError);
    return !lost;
}

std::string printable(std::string_view text, std::size_t maxChars) {
    std::string out;
    for (char c : text.substr(0, maxChars)) {
        const auto u = static_cast<unsigned char>(c);
        out += u >= 0x20 && u < 0x7F ? c : '?';
    }
    if (text.size() > maxChars) out += "...";
    return out;
}

std::string shownName(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto u = static_cast<unsigned char>(name[i]);
        const bool c1 = u == 0xC2 && i + 1 < name.size() &&
                        static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(name[i + 1]) <= 0x9F;
        if (c1) ++i;
        out += u < 0x20 || u == 0x7F || c1 ? '?' : name[i];
    }
    return out;
}

bool parseWholeNumber(std::string_view text, long long maxValue, long long& value) {
    if (text.empty()) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        // Checked before it is worked out: the largest values would overflow.
        if (value > maxValue / 10 || value * 10 > maxValue - (c - '0')) return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

std::string stageRange() {
    return "0 to " + std::to_string(world::stageCount - 1);
}

std::string readStage(std::string_view option, std::string_view text, int& stage) {
    long long index = 0;
    if (!parseWholeNumber(text, world::stageCount - 1, index)) {
        return std::string(option) + " takes a stage index from " + stageRange();
    }
    stage = static_cast<int>(index);
    return {};
}

std::string readRunStart(const CommandLine& line, int& stage, int& walkCount) {
    if (const std::string* v = line.value("--stage")) {
        if (std::string problem = readStage("--stage", *v, stage); !problem.empty()) return problem;
    }
    if (const std::string* v = line.value("--walk-count")) {
        long long n = 0;
        if (stage < 0) return "--walk-count goes with --stage";
        if (!parseWholeNumber(*v, 2147483647, n)) {
            return "--walk-count takes a whole number from 0 to 2147483647";
        }
        walkCount = static_cast<int>(n);
    }
    return {};
}

} // namespace kueruma::cli
