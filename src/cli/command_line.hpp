// The command line every program reads the same way: --help and -h, --version, --name VALUE and
// --name=VALUE, "--" before arguments that start with a dash, each option at most once.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace kueruma::cli {

struct OptionSpec {
    std::string_view name; // with its dashes: "--stage"
    bool takesValue;
};

class CommandLine {
  public:
    // `usage` is the synopsis shown with every mistake, `details` what --help adds to it; both
    // end in a newline.
    CommandLine(std::string_view program, std::string_view usage, std::string_view details,
                std::initializer_list<OptionSpec> options);

    // Reads the arguments. False when the program must stop now with exitStatus(): 0 after
    // printing the usage for --help or the version for --version, 2 after reporting a mistake,
    // 1 when that could not be printed.
    bool read(int argc, char** argv);
    // Reads `words` as the arguments after the program's name, printing nothing (a command
    // written inside a file, such as a run's header): empty when they are good, otherwise the
    // mistake; --help and --version are mistakes here.
    std::string readWords(const std::vector<std::string>& words);
    int exitStatus() const { return exitStatus_; }
    // What --help or --version printed, for a program whose standard output nobody sees.
    const std::string& printed() const { return printed_; }

    bool has(std::string_view name) const;
    // The option's value, or nullptr when it was not given.
    const std::string* value(std::string_view name) const;
    // The arguments that are not options, in order.
    const std::vector<std::string>& operands() const { return operands_; }

    // The value of option `name` as a whole number from `lo` to `hi`, or as any number from `lo`
    // to `hi` (such as "2.5"): empty when it is one or the option was not given; otherwise the
    // message, the same for every option: "bad --seed 'X' (a whole number from 0 to 9)".
    std::string wholeNumber(std::string_view name, long long lo, long long hi,
                            long long& value) const;
    std::string number(std::string_view name, double lo, double hi, double& value) const;

    // Reports a mistake the program found in what was read, with the usage; returns 2.
    int fail(std::string_view message) const;

  private:
    struct Given {
        std::string_view name;
        std::string value;
    };
    const OptionSpec* find(std::string_view name) const;
    bool readOption(std::string_view arg, int& i, int argc, char** argv);
    int print(std::string text);

    std::string_view program_;
    std::string_view usage_;
    std::string_view details_;
    std::vector<OptionSpec> options_;
    std::vector<Given> given_;
    std::vector<std::string> operands_;
    int exitStatus_ = 0;
    std::string printed_;
    // readWords(): the mistake is kept here rather than printed.
    bool quiet_ = false;
    mutable std::string mistake_;
};

// The version every program reports and writes into its recordings.
const char* programVersion();

// Flushes and closes standard output. False, with the reason in `error`, when anything written
// there was lost (a full disk, a closed descriptor); a closed one that nothing was written to is
// no loss.
bool closeStandardOutput(std::string& error);

// `text` fit for a one-line message: at most `maxChars` characters, anything unprintable as '?'
// and "..." where it was cut.
std::string printable(std::string_view text, std::size_t maxChars = 20);

// A file name fit for a message: whole, UTF-8 letters kept, but every control character (an
// escape sequence's start, a newline, C1 controls) shown as '?' so no name can drive the
// terminal or forge a line.
std::string shownName(std::string_view name);

// A whole number from 0 to maxValue written with digits only (no sign, no spaces).
bool parseWholeNumber(std::string_view text, long long maxValue, long long& value);

// The stage indexes as messages and help texts name them: "0 to 8".
std::string stageRange();
// Reads the stage index `option` names. Empty when `text` is one; otherwise what is wrong.
std::string readStage(std::string_view option, std::string_view text, int& stage);

// The options that say where a run starts, as the runner takes them: --stage N and, with it,
// --walk-count N (the figure's walk cycle). Empty when they are good; otherwise what is wrong.
std::string readRunStart(const CommandLine& line, int& stage, int& walkCount);

} // namespace kueruma::cli
