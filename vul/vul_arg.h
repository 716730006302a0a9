#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class vul_arg_base;

// What one pass over the command line decided, kept apart from printing and exiting so that
// callers and tests can act on the decision without the process ending.
struct vul_arg_parse_result
{
    enum class status
    {
        ok,
        help,
        error
    };
    status outcome = status::ok;
    std::string error;                     // one line, set when outcome is error
    std::vector<std::string> unrecognised; // in command-line order
};

// The options one program declares, and the parser that fills them from argv.
// Holds the options without owning them: each option removes itself when destroyed.
// Thread-bound to the main thread.
class vul_arg_info_list
{
public:
    vul_arg_info_list() = default;
    vul_arg_info_list(const vul_arg_info_list&) = delete;
    vul_arg_info_list& operator=(const vul_arg_info_list&) = delete;

    // Fills the options from argv and leaves argv holding the program name plus the
    // unrecognised arguments. Prints the help and exits with 0 on -? or --help; prints the
    // error and exits with 1 on a missing or invalid value.
    void parse(int& argc, char** argv, bool warnAboutUnrecognised = true);

    // The decision half of parse(): fills the options and, when the outcome is ok, compacts
    // argv as parse() does. Never prints and never exits.
    vul_arg_parse_result interpret(int& argc, char** argv);

    void display_help(std::ostream& out, const char* programName) const;

    const std::vector<vul_arg_base*>& options() const { return options_; }

private:
    friend class vul_arg_base;

    vul_arg_base* find(const char* name) const;
    static std::string consume(vul_arg_base& option, int argc, char** argv, int& index);

    std::vector<vul_arg_base*> options_;
};

// The list that vul_arg_parse() reads and that options declared without a list join.
vul_arg_info_list& vul_arg_default_list();

// Parses the default list; see vul_arg_info_list::parse().
void vul_arg_parse(int& argc, char**& argv, bool warnAboutUnrecognised = true);

// One named command-line option, registered in a list for as long as it lives.
// Thread-bound to the main thread.
class vul_arg_base
{
public:
    vul_arg_base(const vul_arg_base&) = delete;
    vul_arg_base& operator=(const vul_arg_base&) = delete;
    virtual ~vul_arg_base();

    const std::string& option() const { return name_; }
    const std::string& help() const { return help_; }
    // True once the option appeared on the command line, whatever its value.
    bool set() const { return set_; }

protected:
    vul_arg_base(vul_arg_info_list& list, const char* name, const char* help);

private:
    friend class vul_arg_info_list;

    // A flag takes no value: its presence alone sets it.
    virtual bool takes_value() const = 0;
    virtual const char* type_name() const = 0;
    virtual std::string default_text() const = 0;
    // text is null for a flag; returns false when text is not a valid value.
    virtual bool assign(const char* text) = 0;

    vul_arg_info_list& list_;
    std::string name_;
    std::string help_;
    bool set_ = false;
};

// A typed option; T is one of std::string, bool, int, unsigned and double.
// Thread-bound to the main thread.
template <class T> class vul_arg : public vul_arg_base
{
public:
    vul_arg(const char* name, const char* help, T defaultValue = T())
        : vul_arg(vul_arg_default_list(), name, help, defaultValue)
    {
    }
    vul_arg(vul_arg_info_list& list, const char* name, const char* help, T defaultValue = T())
        : vul_arg_base(list, name, help), default_(defaultValue), value_(defaultValue)
    {
    }

    const T& operator()() const { return value_; }

private:
    bool takes_value() const override;
    const char* type_name() const override;
    std::string default_text() const override;
    bool assign(const char* text) override;

    T default_;
    T value_;
};

extern template class vul_arg<std::string>;
extern template class vul_arg<bool>;
extern template class vul_arg<int>;
extern template class vul_arg<unsigned>;
extern template class vul_arg<double>;
