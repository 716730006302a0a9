#include "errorreporter/ErrorReportingDialog.h"

#include "errorreporter/DialogGeometry.h"
#include "errorreporter/ReadBack.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace QeltReporter
{
namespace
{
// The dialog's size and the height of its white banner, in dialog units.
const QSize DialogSizeUnits(370, 221);
const QSize BannerSizeUnits(370, 56);
const QSize MarginSizeUnits(7, 7);

QString IntroText(Branding branding)
{
    return QStringLiteral("An error has occurred. The application will close. We apologize for "
                          "the inconvenience.\n\nIf you would like to notify ") +
           QString::fromLatin1(BrandingName(branding)) +
           QStringLiteral(" of this error, please enter any comments you have and click "
                          "\"Send Report\".");
}

QLabel* MakeLogo(const QString& objectName, Branding branding, bool shown)
{
    auto* logo = new QLabel;
    logo->setObjectName(objectName);
    logo->setPixmap(QPixmap(BrandingLogo(branding)));
    logo->setVisible(shown);
    return logo;
}

QFrame* MakeEtchedLine()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}
} // namespace

VErrorReportingDialog::VErrorReportingDialog(const DialogInput& input, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QString::fromLatin1(BrandingName(input.branding)) +
                   QStringLiteral(" Error Reporting"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(MakeBanner(input));
    layout->addWidget(MakeEtchedLine());
    layout->addWidget(MakeFields(input), 1);
    resize(DialogUnitsToPixels(DialogSizeUnits, fontMetrics()).expandedTo(minimumSizeHint()));
}

QWidget* VErrorReportingDialog::MakeBanner(const DialogInput& input)
{
    auto* banner = new QFrame;
    banner->setAutoFillBackground(true);
    QPalette palette = banner->palette();
    palette.setColor(QPalette::Window, Qt::white);
    banner->setPalette(palette);
    banner->setFixedHeight(DialogUnitsToPixels(BannerSizeUnits, fontMetrics()).height());

    auto* title = new QLabel(QString::fromStdString(input.moduleName) +
                             QStringLiteral(" has caused an error"));
    title->setObjectName(QStringLiteral("errorTitle"));
    title->setTextFormat(Qt::PlainText); // a module name is never markup
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);

    auto* row = new QHBoxLayout(banner);
    row->addWidget(title, 1);
    row->addWidget(
        MakeLogo(QStringLiteral("qeltLogo"), Branding::Qelt, input.branding == Branding::Qelt));
    row->addWidget(MakeLogo(QStringLiteral("sarnetLogo"), Branding::Sarnet,
                            input.branding == Branding::Sarnet));
    return banner;
}

QWidget* VErrorReportingDialog::MakeFields(const DialogInput& input)
{
    auto* body = new QWidget;
    auto* column = new QVBoxLayout(body);
    const QSize margin = DialogUnitsToPixels(MarginSizeUnits, fontMetrics());
    column->setContentsMargins(margin.width(), margin.height(), margin.width(), margin.height());

    auto* intro = new QLabel(IntroText(input.branding));
    intro->setObjectName(QStringLiteral("introText"));
    intro->setTextFormat(Qt::PlainText);
    intro->setWordWrap(true);
    column->addWidget(intro);

    email_ = new QLineEdit(QString::fromStdString(input.email));
    email_->setObjectName(QStringLiteral("emailEdit"));
    comments_ = new QPlainTextEdit;
    comments_->setObjectName(QStringLiteral("commentsEdit"));
    comments_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* incidentId = new QLineEdit(QString::fromStdString(input.incidentId));
    incidentId->setObjectName(QStringLiteral("incidentIdEdit"));
    incidentId->setReadOnly(true);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("E-mail:")), 0, 0);
    grid->addWidget(email_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Comments:")), 1, 0, Qt::AlignTop);
    grid->addWidget(comments_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Incident ID:")), 2, 0);
    grid->addWidget(incidentId, 2, 1);
    column->addLayout(grid, 1);

    // Kept for a fuller dump on request, but not offered to the user: it stays unticked.
    detailedDump_ =
        new QCheckBox(QStringLiteral("Send &more detailed information. This may take some time."));
    detailedDump_->setObjectName(QStringLiteral("detailedDumpCheck"));
    detailedDump_->setVisible(false);
    column->addWidget(detailedDump_);
    column->addWidget(MakeButtons());
    return body;
}

QWidget* VErrorReportingDialog::MakeButtons()
{
    auto* send = new QPushButton(QStringLiteral("Send Report"));
    send->setObjectName(QStringLiteral("sendReportButton"));
    send->setDefault(true);
    auto* dontSend = new QPushButton(QStringLiteral("Don't Send"));
    dontSend->setObjectName(QStringLiteral("dontSendButton"));
    connect(send, &QPushButton::clicked, this,
            [this] { done(static_cast<int>(DialogChoice::SendReport)); });
    connect(dontSend, &QPushButton::clicked, this,
            [this] { done(static_cast<int>(DialogChoice::DontSend)); });

    auto* buttons = new QWidget;
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(1);
    row->addWidget(send);
    row->addWidget(dontSend);
    return buttons;
}

void VErrorReportingDialog::reject()
{
    done(static_cast<int>(DialogChoice::DontSend));
}

DialogResult VErrorReportingDialog::Outcome() const
{
    DialogResult outcome;
    outcome.choice = result() == static_cast<int>(DialogChoice::SendReport)
                         ? DialogChoice::SendReport
                         : DialogChoice::DontSend;
    outcome.comments = ReadBack(comments_->toPlainText(), CommentsReadBackLimit).toStdString();
    outcome.email = ReadBack(email_->text(), EmailReadBackLimit).toStdString();
    outcome.detailedDump = detailedDump_->isChecked();
    return outcome;
}

void VErrorReportingDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    PlaceOnScreen();
}

void VErrorReportingDialog::PlaceOnScreen()
{
    QWidget* owner = QApplication::activeWindow();
    std::optional<QRect> ownerArea;
    if (owner && owner != this)
        ownerArea = owner->frameGeometry();
    QScreen* screen =
        QGuiApplication::screenAt(ownerArea ? ownerArea->center() : frameGeometry().center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    move(CentredTopLeft(frameGeometry().size(), ownerArea, screen->availableGeometry()));
}
} // namespace QeltReporter
