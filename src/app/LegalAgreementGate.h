#pragma once

#include <QObject>
#include <QString>

// Whether the user has accepted the current terms of use, kept in the settings file as the terms
// version last accepted. Raising `currentVersion` makes every earlier acceptance count as missing.
// Main thread only.
class LegalAgreementGate : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool hasAccepted READ hasAccepted NOTIFY hasAcceptedChanged)

public:
    static constexpr int currentVersion = 2;
    static QString acceptedVersionKey() { return QStringLiteral("legalAgreement.acceptedVersion"); }

    // Reads the stored version once: a missing or unreadable value counts as 0.
    explicit LegalAgreementGate(QObject *parent = nullptr);

    bool hasAccepted() const { return m_hasAccepted; }

    // Stores the current version and publishes the acceptance. Only ever turns hasAccepted on.
    void accept();

Q_SIGNALS:
    void hasAcceptedChanged(bool hasAccepted);

private:
    bool m_hasAccepted = false;
};
