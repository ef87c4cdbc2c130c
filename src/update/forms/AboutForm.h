#pragma once

#include <QDialog>
#include <QPointer>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class TWebUpdate;
class Tfrm_ShowInfoUpdate;

// The about window: name, version, the site and mail links, and the update
// check with its progress. Closing it cancels a running check and removes a
// partial download.
class TAboutForm : public QDialog
{
    Q_OBJECT

public:
    // settingsPath: the settings file with the [Update] addresses.
    explicit TAboutForm(const QString &settingsPath, QWidget *parent = nullptr);
    ~TAboutForm() override;

    TWebUpdate *webUpdate() const;
    QLabel *updateLink() const;
    QLabel *statusLabel() const;
    QProgressBar *progressBar() const;
    // Null until the information page has been shown once.
    Tfrm_ShowInfoUpdate *infoForm() const;

private:
    void buildControls();
    void wireEvents();
    void startCheck();
    void openLink(const QString &link);
    void showDownloadedFile(const QString &fileName);
    void resetProgress();

    QString m_settingsPath;
    std::unique_ptr<TWebUpdate> m_webUpdate;
    QLabel *m_siteLink = nullptr;
    QLabel *m_emailLink = nullptr;
    QLabel *m_updateLink = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_ok = nullptr;
    QPointer<Tfrm_ShowInfoUpdate> m_infoForm;
    QString m_downloading; // the file's name while it is being downloaded
};
