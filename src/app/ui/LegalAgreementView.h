#pragma once

#include <QImage>
#include <QWidget>

#include <optional>

class LegalAgreementGate;
class QCheckBox;
class QLabel;
class QPushButton;

// The "Legal Agreement" window: the terms, then either the notice that they were accepted or the
// agreement toggle with Decline and Accept. Accept records the acceptance in the gate and closes
// the window; Decline, or closing the window while the terms are not accepted, asks the
// application to quit. Renders LegalAgreementPresenter results only.
class LegalAgreementView : public QWidget {
    Q_OBJECT
public:
    // The gate must outlive the view. `icon` is the application's display icon, left out when
    // absent.
    explicit LegalAgreementView(LegalAgreementGate &gate, const std::optional<QImage> &icon, QWidget *parent = nullptr);

    bool hasReadAndAgreed() const { return m_hasReadAndAgreed; }

    // A terms section: its title in headline type above its body in body type.
    static QWidget *section(const QString &title, const QString &body);

Q_SIGNALS:
    void quitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void refresh();
    void accept();

    LegalAgreementGate &m_gate;
    bool m_hasReadAndAgreed = false;
    QLabel *m_acceptedNotice = nullptr;
    QWidget *m_agreementControls = nullptr;
    QCheckBox *m_agreeToggle = nullptr;
    QPushButton *m_accept = nullptr;
};
