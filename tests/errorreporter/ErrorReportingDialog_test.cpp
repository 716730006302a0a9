#include "errorreporter/DialogGeometry.h"
#include "errorreporter/ErrorReportingDialog.h"
#include "errorreporter/InteractiveUi.h"
#include "errorreporter/ReporterDialogs.h"
#include "errorreporter/ReporterSettings.h"
#include "errorreporter/ReporterTexts.h"
#include "tests/errorreporter/ModalHelper.h"
#include "tests/support/TempDirectory.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <gtest/gtest.h>

using namespace QeltReporter;

namespace
{
DialogInput SampleInput(Branding branding)
{
    DialogInput input;
    input.moduleName = "briselCL";
    input.incidentId = "briselCL-20261208-114500";
    input.email = "user@example.org";
    input.branding = branding;
    return input;
}

template <class Widget> Widget& Find(const QWidget& dialog, const char* name)
{
    auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
    if (!widget)
        throw std::runtime_error(std::string("no widget named ") + name);
    return *widget;
}

void Click(const QWidget& dialog, const char* buttonName)
{
    Find<QPushButton>(dialog, buttonName).click();
}
} // namespace

TEST(ErrorReportingDialogTest, ShowsTheTextsOfEachBrandingAndOnlyItsLogo)
{
    for (const Branding branding : {Branding::Qelt, Branding::Sarnet})
    {
        const QString name = branding == Branding::Qelt ? "Qelt" : "Sarnet";
        VErrorReportingDialog dialog(SampleInput(branding));
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), name + " Error Reporting");
        EXPECT_EQ(Find<QLabel>(dialog, "errorTitle").text(), "briselCL has caused an error");
        EXPECT_TRUE(Find<QLabel>(dialog, "errorTitle").font().bold());
        EXPECT_EQ(Find<QLabel>(dialog, "introText").text(),
                  "An error has occurred. The application will close. We apologize for the "
                  "inconvenience.\n\nIf you would like to notify " +
                      name +
                      " of this error, please enter any comments you have and click \"Send "
                      "Report\".");
        EXPECT_EQ(Find<QLineEdit>(dialog, "emailEdit").text(), "user@example.org");
        EXPECT_EQ(Find<QLineEdit>(dialog, "incidentIdEdit").text(), "briselCL-20261208-114500");
        EXPECT_TRUE(Find<QLineEdit>(dialog, "incidentIdEdit").isReadOnly());
        EXPECT_EQ(Find<QPushButton>(dialog, "sendReportButton").text(), "Send Report");
        EXPECT_TRUE(Find<QPushButton>(dialog, "sendReportButton").isDefault());
        EXPECT_EQ(Find<QPushButton>(dialog, "dontSendButton").text(), "Don't Send");

        const QLabel& qeltLogo = Find<QLabel>(dialog, "qeltLogo");
        const QLabel& sarnetLogo = Find<QLabel>(dialog, "sarnetLogo");
        EXPECT_EQ(qeltLogo.isVisible(), branding == Branding::Qelt);
        EXPECT_EQ(sarnetLogo.isVisible(), branding == Branding::Sarnet);
        EXPECT_FALSE(qeltLogo.pixmap(Qt::ReturnByValue).isNull());
        EXPECT_FALSE(sarnetLogo.pixmap(Qt::ReturnByValue).isNull());
    }
}

TEST(ErrorReportingDialogTest, AModuleNameThatLooksLikeMarkupIsShownAsItIs)
{
    DialogInput input = SampleInput(Branding::Qelt);
    input.moduleName = "<b>odd</b>";
    VErrorReportingDialog dialog(input);
    const QLabel& title = Find<QLabel>(dialog, "errorTitle");
    EXPECT_EQ(title.textFormat(), Qt::PlainText);
    EXPECT_EQ(title.text(), "<b>odd</b> has caused an error");
}

TEST(ErrorReportingDialogTest, TheDetailedDumpBoxIsNeverOfferedAndLeavesANormalDump)
{
    VErrorReportingDialog dialog(SampleInput(Branding::Qelt));
    dialog.show();
    const QCheckBox& detailed = Find<QCheckBox>(dialog, "detailedDumpCheck");
    EXPECT_FALSE(detailed.isVisible());
    EXPECT_EQ(detailed.text(), "Send &more detailed information. This may take some time.");
    Click(dialog, "sendReportButton");
    EXPECT_FALSE(dialog.Outcome().detailedDump);
}

TEST(ErrorReportingDialogTest, EachWayOfEndingGivesItsChoiceAndTheEntries)
{
    struct Ending
    {
        std::function<void(VErrorReportingDialog&)> end;
        DialogChoice choice;
    };
    const std::vector<Ending> endings = {
        {[](VErrorReportingDialog& d) { Click(d, "sendReportButton"); }, DialogChoice::SendReport},
        {[](VErrorReportingDialog& d) { Click(d, "dontSendButton"); }, DialogChoice::DontSend},
        {[](VErrorReportingDialog& d) { d.close(); }, DialogChoice::DontSend},
    };
    for (const Ending& ending : endings)
    {
        ReporterTest::ModalAction<VErrorReportingDialog> act(
            [&](VErrorReportingDialog& dialog)
            {
                Find<QLineEdit>(dialog, "emailEdit").setText("new@example.org");
                Find<QPlainTextEdit>(dialog, "commentsEdit").setPlainText("line one\nline two");
                ending.end(dialog);
            });
        const DialogResult result = ShowDialog(SampleInput(Branding::Sarnet));
        ASSERT_TRUE(act.Ran());
        EXPECT_EQ(result.choice, ending.choice);
        EXPECT_EQ(result.email, "new@example.org");
        EXPECT_EQ(result.comments, "line one\nline two");
    }
}

TEST(ErrorReportingDialogTest, ReadsBackAtMost255EmailAnd4096CommentCharacters)
{
    VErrorReportingDialog dialog(SampleInput(Branding::Qelt));
    Find<QLineEdit>(dialog, "emailEdit").setText(QString(300, 'e'));
    Find<QPlainTextEdit>(dialog, "commentsEdit").setPlainText(QString(5000, 'c'));
    Click(dialog, "dontSendButton");
    DialogResult result = dialog.Outcome();
    EXPECT_EQ(result.email, std::string(255, 'e'));
    EXPECT_EQ(result.comments, std::string(4096, 'c'));

    // A character outside the basic plane that straddles the limit is left out whole.
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E");
    Find<QLineEdit>(dialog, "emailEdit").setText(QString(254, 'e') + clef);
    result = dialog.Outcome();
    EXPECT_EQ(result.email, std::string(254, 'e'));
}

TEST(ErrorReportingDialogTest, DontSendStillStoresTheEditedEmail)
{
    BriselTest::TempDirectory folder;
    const ReporterSettings settings(folder.Path("QeltErrorReporting.ini"));
    ASSERT_TRUE(settings.StoreEmail("old@example.org"));

    std::string shownEmail;
    ReporterTest::ModalAction<VErrorReportingDialog> act(
        [&](VErrorReportingDialog& dialog)
        {
            QLineEdit& email = Find<QLineEdit>(dialog, "emailEdit");
            shownEmail = email.text().toStdString();
            email.setText("edited@example.org");
            Click(dialog, "dontSendButton");
        });
    // The reporter's own sequence: the stored address into the dialog, whatever the user left
    // in it back into the file.
    QeltErrorReporting::VInteractiveUi ui(settings);
    const auto choice = ui.AskUser("Victim", "Victim-20260102-030405",
                                   QeltErrorReporting::Branding::Qelt, ui.ReadEmail());
    ui.StoreEmail(choice.email);
    ASSERT_TRUE(act.Ran());
    EXPECT_EQ(shownEmail, "old@example.org");
    EXPECT_FALSE(choice.send);
    EXPECT_EQ(ReporterSettings(settings.Path()).ReadEmail(), "edited@example.org");
}

TEST(ErrorReportingDialogTest, OpensCentredOnTheWorkAreaWithoutAnOwner)
{
    VErrorReportingDialog dialog(SampleInput(Branding::Qelt));
    dialog.show();
    const QRect workArea = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(dialog.frameGeometry().topLeft(),
              CentredTopLeft(dialog.frameGeometry().size(), std::nullopt, workArea));
    // A dialog wider or taller than the work area keeps its top-left corner on the screen.
    EXPECT_TRUE(workArea.contains(dialog.frameGeometry().topLeft()));
}

TEST(DialogGeometryTest, CentresOnTheOwnerOrTheWorkAreaAndStaysInside)
{
    const QRect workArea(0, 0, 1000, 800);
    const QSize size(200, 100);
    EXPECT_EQ(CentredTopLeft(size, std::nullopt, workArea), QPoint(400, 350));
    EXPECT_EQ(CentredTopLeft(size, QRect(100, 100, 400, 300), workArea), QPoint(200, 200));
    // An owner near an edge pushes the dialog against that edge, never past it.
    EXPECT_EQ(CentredTopLeft(size, QRect(-300, 750, 200, 100), workArea), QPoint(0, 700));
    EXPECT_EQ(CentredTopLeft(size, QRect(950, -90, 100, 100), workArea), QPoint(800, 0));
    // A work area that does not start at the origin, as on a second monitor.
    EXPECT_EQ(CentredTopLeft(size, std::nullopt, QRect(1000, 0, 1000, 800)), QPoint(1400, 350));
}

TEST(ReporterMessageBoxTest, ShowsErrorsUnderTheReporterCaptionWithTheErrorIcon)
{
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    ReporterTest::ModalAction<QMessageBox> act(
        [&](QMessageBox& box)
        {
            caption = box.windowTitle();
            text = box.text();
            icon = box.icon();
            box.accept();
        });
    ShowError(ErrorText(ReporterError::AccessFtpSite));
    ASSERT_TRUE(act.Ran());
    EXPECT_EQ(caption, "Qelt Error Reporting");
    EXPECT_EQ(text, "Unable to access the Qelt FTP site.");
    EXPECT_EQ(icon, QMessageBox::Critical);
}
