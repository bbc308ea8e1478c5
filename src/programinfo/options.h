// The command line of every program of the package: each program declares its
// options in a table of TOption, and the same table reads the arguments and
// writes the options' part of its --help text. Qt-free.
//
// Reading: "--name value" and "--name=value" for options that take a value,
// "--name" for switches, "-x value" for an option's one-letter name; "--"
// ends the options (a positional argument may then begin with a dash); any
// other argument that begins with "-" and is longer than "-" is taken for an
// option. Unknown options, missing values, values given to switches and bad
// numbers raise EUsageError with a Russian message. A repeated option keeps
// its last value.
#pragma once

#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A command line that cannot be carried out as given. what() is the message
// for the user, without the program's name.
class EUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TOption {
    const char* Name;               // without the leading "--"
    const char* Value = nullptr;    // what the value is called in the help ("N", "ФАЙЛ"); null: a switch
    const char* Help = "";          // the help's description; '\n' starts a new line under the first
    char Short = 0;                 // a one-letter name, "-x", besides "--name"
    bool Number = false;            // the value is a whole number from Lowest to Highest
    int64_t Lowest = 0;
    int64_t Highest = std::numeric_limits<int32_t>::max();
    const char* Invalid = nullptr;  // the start of the message for a bad number ("неверный номер кадра")
    const char* Heading = nullptr;  // a heading line the help writes before this option ("Для тестов:")
};

using TOptions = std::span<const TOption>;

class TParsedArguments {
public:
    std::vector<std::string> Positional;

    bool Has(std::string_view name) const { return FValues.find(name) != FValues.end(); }
    std::optional<std::string> Value(std::string_view name) const;
    // The value of a numeric option, already checked against its range.
    std::optional<int64_t> Number(std::string_view name) const;

private:
    friend TParsedArguments ParseArguments(const std::vector<std::string>& args, TOptions options);
    std::map<std::string, std::string, std::less<>> FValues; // switches hold an empty text
};

// `args` without the program's name (and without a command's name).
TParsedArguments ParseArguments(const std::vector<std::string>& args, TOptions options);
TParsedArguments ParseArguments(int argc, char** argv, TOptions options); // argv[0] is the program

// A whole number in decimal digits (a minus sign only when lowest < 0; no
// blanks, no plus sign) from lowest to highest, or none.
std::optional<int64_t> ParseWholeNumber(std::string_view text, int64_t lowest, int64_t highest);
// The same, raising EUsageError "<invalid> "<text>" (нужно целое число ...)"
// when the text is not such a number; `invalid` names what is wrong
// ("неверный серийный номер").
int64_t WholeNumberOrUsageError(std::string_view text, int64_t lowest, int64_t highest, const char* invalid);

// The options' lines of a --help text: each option (its names and its value)
// from column `indent`, its description from a column after the longest of
// them, every line ending with '\n'.
std::string OptionsHelp(TOptions options, int indent = 2);
