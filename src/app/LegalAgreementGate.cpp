#include "app/LegalAgreementGate.h"

#include "util/AppSettings.h"

LegalAgreementGate::LegalAgreementGate(QObject *parent) : QObject(parent)
{
    bool isNumber = false;
    const int stored = AppSettings::open()->value(acceptedVersionKey()).toInt(&isNumber);
    m_hasAccepted = isNumber && stored >= currentVersion;
}

void LegalAgreementGate::accept()
{
    AppSettings::open()->setValue(acceptedVersionKey(), currentVersion);
    if (!m_hasAccepted) {
        m_hasAccepted = true;
        Q_EMIT hasAcceptedChanged(true);
    }
}
