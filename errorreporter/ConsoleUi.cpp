#include "errorreporter/ConsoleUi.h"

#include <cstdio>

namespace QeltErrorReporting
{
namespace
{
class ConsoleUi : public IReporterUi
{
public:
    void ShowError(const std::string& text) override { Print(text); }
    void ShowInformation(const std::string& text) override { Print(text); }
    std::string ReadEmail() override { return {}; }
    void StoreEmail(const std::string&) override {}
    ReportChoice AskUser(const std::string&, const std::string&, Branding,
                         const std::string& email) override
    {
        ReportChoice choice;
        choice.email = email;
        return choice;
    }
    UploadResult UploadDump(const std::string&, const std::string&) override { return {}; }

private:
    static void Print(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }
};
} // namespace

std::unique_ptr<IReporterUi> CreateConsoleUi()
{
    return std::make_unique<ConsoleUi>();
}
} // namespace QeltErrorReporting
