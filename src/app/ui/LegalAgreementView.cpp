#include "app/ui/LegalAgreementView.h"

#include "app/LegalAgreementGate.h"
#include "app/ui/LegalAgreementPresenter.h"
#include "ui/TextStyles.h"
#include "ui/WindowHabits.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

constexpr int termsWindowWidth = 520;
constexpr int termsMargin = 24;
constexpr int termsRowSpacing = 16;
constexpr int termsHeight = 320;
constexpr int termsIconSize = 32;

// The terms' title is smaller than a window title.
constexpr double termsTitleScale = 17.0 / 13.0;

QLabel *wrappingLabel(const QString &text, QWidget *parent = nullptr)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// Small text in the secondary colour.
QLabel *captionLabel(const QString &text, QWidget *parent = nullptr)
{
    QLabel *label = wrappingLabel(text, parent);
    label->setFont(TextStyles::scaled(label->font(), TextStyles::captionScale));
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

LegalAgreementView::LegalAgreementView(LegalAgreementGate &gate, const std::optional<QImage> &icon, QWidget *parent)
    : QWidget(parent), m_gate(gate)
{
    const LegalAgreementPresenter::Terms &terms = LegalAgreementPresenter::terms();
    setWindowTitle(QCoreApplication::translate("LegalAgreementView", "Legal Agreement"));

    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(termsMargin, termsMargin, termsMargin, termsMargin);
    rows->setSpacing(termsRowSpacing);

    auto *header = new QHBoxLayout;
    if (icon && !icon->isNull()) {
        auto *iconLabel = new QLabel(this);
        const qreal ratio = devicePixelRatioF();
        QPixmap pixmap = QPixmap::fromImage(
            icon->scaled(QSize(termsIconSize, termsIconSize) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        pixmap.setDevicePixelRatio(ratio);
        iconLabel->setPixmap(pixmap);
        iconLabel->setFixedSize(termsIconSize, termsIconSize);
        iconLabel->setAlignment(Qt::AlignCenter);
        header->addWidget(iconLabel);
    }
    auto *title = new QLabel(terms.title, this);
    QFont titleFont = TextStyles::scaled(title->font(), termsTitleScale);
    titleFont.setBold(true);
    title->setFont(titleFont);
    header->addWidget(title, 1);
    rows->addLayout(header);

    auto *content = new QWidget;
    auto *sections = new QVBoxLayout(content);
    sections->setContentsMargins(8, 8, 8, 8);
    sections->setSpacing(12);
    sections->addWidget(section(terms.summaryTitle, LegalAgreementPresenter::summaryBody(terms.summary)));
    for (const auto &[sectionTitle, body] : terms.sections) {
        sections->addWidget(section(sectionTitle, body));
    }
    sections->addStretch(1);
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("terms"));
    scroll->setAccessibleName(terms.title); // what Tab reaches: the terms to scroll through
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // 320 points to start with, and every point the user adds by enlarging the window.
    scroll->setMinimumSize(termsWindowWidth - 2 * termsMargin, termsHeight);
    scroll->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    rows->addWidget(scroll, 1);

    rows->addWidget(captionLabel(terms.versionCaption, this));

    m_acceptedNotice = captionLabel(QString(), this);
    rows->addWidget(m_acceptedNotice);

    m_agreementControls = new QWidget(this);
    auto *controls = new QVBoxLayout(m_agreementControls);
    controls->setContentsMargins(0, 0, 0, 0);
    controls->setSpacing(termsRowSpacing);
    m_agreeToggle =
        new QCheckBox(QCoreApplication::translate("LegalAgreementView", "I have read and agree to the terms above"),
                      m_agreementControls);
    controls->addWidget(m_agreeToggle);
    auto *buttons = new QHBoxLayout;
    auto *decline = new QPushButton(QCoreApplication::translate("LegalAgreementView", "Decline"), m_agreementControls);
    m_accept = new QPushButton(QCoreApplication::translate("LegalAgreementView", "Accept"), m_agreementControls);
    m_accept->setDefault(true);
    buttons->addWidget(decline);
    buttons->addStretch(1);
    buttons->addWidget(m_accept);
    controls->addLayout(buttons);
    rows->addWidget(m_agreementControls);

    connect(m_agreeToggle, &QCheckBox::toggled, this, [this](bool on) {
        m_hasReadAndAgreed = on;
        refresh();
    });
    connect(decline, &QPushButton::clicked, this, &LegalAgreementView::quitRequested);
    connect(m_accept, &QPushButton::clicked, this, &LegalAgreementView::accept);
    connect(&m_gate, &LegalAgreementGate::hasAcceptedChanged, this, &LegalAgreementView::refresh);
    refresh();
}

QWidget *LegalAgreementView::section(const QString &title, const QString &body)
{
    auto *pair = new QWidget;
    auto *layout = new QVBoxLayout(pair);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    QLabel *heading = wrappingLabel(title, pair);
    QFont headline = heading->font();
    headline.setBold(true);
    heading->setFont(headline);
    layout->addWidget(heading);
    layout->addWidget(wrappingLabel(body, pair));
    return pair;
}

void LegalAgreementView::refresh()
{
    const auto content = LegalAgreementPresenter::present(m_gate.hasAccepted(), m_hasReadAndAgreed);
    m_acceptedNotice->setText(content.acceptedNotice);
    m_acceptedNotice->setVisible(content.showsAcceptedNotice);
    m_agreementControls->setVisible(content.showsAgreementControls);
    m_accept->setEnabled(content.isAcceptEnabled);

    // At least the designed width, as tall as what it shows; a size it was given is kept (the
    // terms then get the room).
    WindowHabits::fitToContent(this, termsWindowWidth);
}

void LegalAgreementView::accept()
{
    if (!LegalAgreementPresenter::present(m_gate.hasAccepted(), m_hasReadAndAgreed).isAcceptEnabled) {
        return;
    }
    m_gate.accept();
    close();
}

void LegalAgreementView::keyPressEvent(QKeyEvent *event)
{
    // Return and Enter choose the default action wherever the focus is.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void LegalAgreementView::closeEvent(QCloseEvent *event)
{
    // The terms were neither accepted now nor before: the application may not go on.
    if (!m_gate.hasAccepted()) {
        Q_EMIT quitRequested();
    }
    event->accept();
}
