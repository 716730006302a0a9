#include "vul/vul_arg.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <type_traits>
#include <utility>

namespace
{

constexpr const char* kPrefix = "vul_arg_parse: ";

template <class T> struct traits;

template <> struct traits<std::string>
{
    static constexpr const char* name = "string";
    static std::string format(const std::string& value) { return '"' + value + '"'; }
    static bool read(const char* text, std::string& out)
    {
        out = text;
        return true;
    }
};

template <> struct traits<bool>
{
    static constexpr const char* name = "";
    static std::string format(bool value) { return value ? "on" : "off"; }
};

// Numbers must parse completely, so "12x" or "" is rejected rather than read as a prefix.
template <class N> struct number_traits
{
    static std::string format(N value)
    {
        std::ostringstream out;
        out << value;
        return out.str();
    }
    static bool read(const char* text, N& out)
    {
        const char* end = text + std::strlen(text);
        N parsed{};
        auto [stop, ec] = std::from_chars(text, end, parsed);
        if (ec != std::errc() || stop != end)
        {
            return false;
        }
        out = parsed;
        return true;
    }
};

template <> struct traits<int> : number_traits<int>
{
    static constexpr const char* name = "int";
};

template <> struct traits<unsigned> : number_traits<unsigned>
{
    static constexpr const char* name = "unsigned";
};

template <> struct traits<double> : number_traits<double>
{
    static constexpr const char* name = "double";
};

bool is_help_request(const char* arg)
{
    return std::strcmp(arg, "-?") == 0 || std::strcmp(arg, "--help") == 0;
}

using help_row = std::array<std::string, 4>; // name, type, help, default

// Pads every column to its widest cell so the help reads as a table; columns that are empty
// in every row take no space.
void print_table(std::ostream& out, const std::vector<help_row>& rows)
{
    constexpr std::size_t columns = std::tuple_size_v<help_row>;
    std::array<std::size_t, columns> widths{};
    for (const help_row& row : rows)
    {
        for (std::size_t c = 0; c < columns; ++c)
        {
            widths[c] = std::max(widths[c], row[c].size());
        }
    }
    for (const help_row& row : rows)
    {
        std::string line;
        for (std::size_t c = 0; c < columns; ++c)
        {
            if (widths[c] > 0)
            {
                line += "  " + row[c] + std::string(widths[c] - row[c].size(), ' ');
            }
        }
        line.erase(line.find_last_not_of(' ') + 1);
        out << line << '\n';
    }
}

void warn_unrecognised(const std::vector<std::string>& args)
{
    for (const std::string& arg : args)
    {
        std::cerr << kPrefix << "unrecognised argument '" << arg << "' ignored\n";
    }
}

[[noreturn]] void fail(const std::string& error, const std::string& program)
{
    std::cerr << kPrefix << error << '\n'
              << "Run '" << program << " --help' for the list of options.\n";
    std::exit(1);
}

} // namespace

vul_arg_base::vul_arg_base(vul_arg_info_list& list, const char* name, const char* help)
    : list_(list), name_(name), help_(help)
{
    list_.options_.push_back(this);
}

vul_arg_base::~vul_arg_base()
{
    auto& options = list_.options_;
    options.erase(std::remove(options.begin(), options.end(), this), options.end());
}

template <class T> bool vul_arg<T>::takes_value() const
{
    return !std::is_same_v<T, bool>;
}

template <class T> const char* vul_arg<T>::type_name() const
{
    return traits<T>::name;
}

template <class T> std::string vul_arg<T>::default_text() const
{
    return traits<T>::format(default_);
}

template <class T> bool vul_arg<T>::assign(const char* text)
{
    if constexpr (std::is_same_v<T, bool>)
    {
        value_ = true;
        return true;
    }
    else
    {
        return traits<T>::read(text, value_);
    }
}

template class vul_arg<std::string>;
template class vul_arg<bool>;
template class vul_arg<int>;
template class vul_arg<unsigned>;
template class vul_arg<double>;

vul_arg_base* vul_arg_info_list::find(const char* name) const
{
    auto found = std::find_if(options_.begin(), options_.end(),
                              [name](const vul_arg_base* option) { return option->name_ == name; });
    return found == options_.end() ? nullptr : *found;
}

// Applies the option at argv[index], advancing index past its value; returns the error text,
// or an empty string on success.
std::string vul_arg_info_list::consume(vul_arg_base& option, int argc, char** argv, int& index)
{
    const char* text = nullptr;
    if (option.takes_value())
    {
        if (index + 1 >= argc)
        {
            return "option " + option.name_ + " needs a value";
        }
        text = argv[++index];
    }
    if (!option.assign(text))
    {
        return "option " + option.name_ + ": '" + text + "' is not a valid " + option.type_name();
    }
    option.set_ = true;
    return {};
}

vul_arg_parse_result vul_arg_info_list::interpret(int& argc, char** argv)
{
    vul_arg_parse_result result;
    if (argc <= 1)
    {
        return result;
    }
    if (std::any_of(argv + 1, argv + argc, is_help_request))
    {
        result.outcome = vul_arg_parse_result::status::help;
        return result;
    }
    int kept = 1;
    for (int index = 1; index < argc; ++index)
    {
        vul_arg_base* option = find(argv[index]);
        if (option == nullptr)
        {
            result.unrecognised.emplace_back(argv[index]);
            argv[kept++] = argv[index];
            continue;
        }
        result.error = consume(*option, argc, argv, index);
        if (!result.error.empty())
        {
            result.outcome = vul_arg_parse_result::status::error;
            return result;
        }
    }
    if (kept < argc)
    {
        argv[kept] = nullptr;
        argc = kept;
    }
    return result;
}

void vul_arg_info_list::parse(int& argc, char** argv, bool warnAboutUnrecognised)
{
    const std::string program = argc > 0 ? argv[0] : "program";
    const vul_arg_parse_result result = interpret(argc, argv);
    if (result.outcome == vul_arg_parse_result::status::help)
    {
        display_help(std::cout, program.c_str());
        std::cout.flush();
        std::exit(0);
    }
    if (warnAboutUnrecognised)
    {
        warn_unrecognised(result.unrecognised);
    }
    if (result.outcome == vul_arg_parse_result::status::error)
    {
        fail(result.error, program);
    }
}

void vul_arg_info_list::display_help(std::ostream& out, const char* programName) const
{
    out << "Usage: " << programName << " [options]\n";
    std::vector<help_row> rows;
    for (const vul_arg_base* option : options_)
    {
        std::string type =
            option->takes_value() ? "<" + std::string(option->type_name()) + ">" : "";
        rows.push_back({option->name_, type, option->help_, "[" + option->default_text() + "]"});
    }
    rows.push_back({"-?, --help", "", "print this help and exit", ""});
    print_table(out, rows);
}

vul_arg_info_list& vul_arg_default_list()
{
    static vul_arg_info_list list;
    return list;
}

void vul_arg_parse(int& argc, char**& argv, bool warnAboutUnrecognised)
{
    vul_arg_default_list().parse(argc, argv, warnAboutUnrecognised);
}
