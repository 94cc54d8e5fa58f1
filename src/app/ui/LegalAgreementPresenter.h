#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// What the terms window shows, computed from the gate and the window's own toggle only.
namespace LegalAgreementPresenter {

struct TermsSection {
    QString title;
    QString body;
};

// The terms of use in force: their title, a short summary, the numbered sections (the last one
// the contact details) and the caption naming their version, date and place of publication.
struct Terms {
    QString title;
    QString summaryTitle;
    QStringList summary; // one bullet each
    std::vector<TermsSection> sections;
    QString versionCaption;
};

Terms terms();

// The maker named in the terms, and where users reach them.
QString makerName();
QString supportEmail();

// The summary as one section body: each point on its own line after a bullet.
QString summaryBody(const QStringList &points);

struct Content {
    bool showsAcceptedNotice = false;
    QString acceptedNotice;              // "You've already agreed to these terms (version 2)."
    bool showsAgreementControls = false; // the toggle and the Decline and Accept buttons
    bool isAcceptEnabled = false;

    friend bool operator==(const Content &, const Content &) = default;
};

Content present(bool hasAccepted, bool hasReadAndAgreed);

} // namespace LegalAgreementPresenter
