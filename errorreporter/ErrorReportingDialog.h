#pragma once
// The dialog that tells the user an application crashed and asks whether to send the report:
// the crashed module's name, the product's logo, the user's e-mail address and comments, the
// incident ID, and the "Send Report" / "Don't Send" buttons. Either button, or closing the
// dialog, ends it; `Outcome()` then gives what the user entered. Thread-bound to the GUI thread.

#include "errorreporter/Branding.h"

#include <QDialog>
#include <string>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

namespace QeltReporter
{
struct DialogInput
{
    std::string moduleName; // base name of the crashed module, without extension
    std::string incidentId;
    std::string email; // shown in the e-mail field
    Branding branding = Branding::Qelt;
};

// The dialog's return codes: the IDs of its two buttons.
enum class DialogChoice
{
    SendReport = 1,
    DontSend = 2,
};

struct DialogResult
{
    DialogChoice choice = DialogChoice::DontSend;
    std::string comments;
    std::string email;
    bool detailedDump = false; // the "more detailed information" box: full memory in the dump
};

// How much of each field is read back when the dialog ends, in UTF-16 code units.
constexpr int EmailReadBackLimit = 255;
constexpr int CommentsReadBackLimit = 4096;

class VErrorReportingDialog : public QDialog
{
    Q_OBJECT
public:
    explicit VErrorReportingDialog(const DialogInput& input, QWidget* parent = nullptr);

    // The choice and the fields as they are now, each field cut to its read-back limit.
    DialogResult Outcome() const;

    // Closing the window or Escape counts as "Don't Send".
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* MakeBanner(const DialogInput& input);
    QWidget* MakeFields(const DialogInput& input);
    QWidget* MakeButtons();
    void PlaceOnScreen();

    QLineEdit* email_ = nullptr;
    QPlainTextEdit* comments_ = nullptr;
    QCheckBox* detailedDump_ = nullptr;
};
} // namespace QeltReporter
