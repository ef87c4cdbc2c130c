#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QPointer>
#include <QString>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;
class SecondsSpinEdit;

// The settings dialog: a non-modal tool window whose check boxes and fields
// are the live store of the options for the whole run. It saves nothing itself
// except the sound file, which its sound page writes and deletes at once.
class TSettingsForm : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kOptionCount = 21;

    explicit TSettingsForm(QString settingsPath, QWidget *parent = nullptr);

    // Ch<number>; nullptr for Ch6 and Ch19 (main-menu items) and out of range.
    QCheckBox *option(int number) const;
    // False for options the dialog does not hold.
    bool isOptionOn(int number) const;
    // Like a click: the option's reaction runs if the state changes.
    void setOption(int number, bool on);

    int popupSeconds() const;
    void setPopupSeconds(int seconds);

    // 0 "Auto", 1 "Standart", 2 "WindowsXP Style"; any other index selects 2.
    int menuStyle() const;
    void setMenuStyle(int index);

    // The folder label's text; "*" while none is chosen.
    QString saveFolder() const;
    void setSaveFolder(const QString &folder);

    // What the colour and font dialogs start with next time.
    QColor lastBackgroundColor() const;
    QFont lastTextFont() const;
    QColor lastTextColor() const;

    // The page in front (0..5) and the header's text.
    int currentPage() const;
    QString pageHeader() const;

Q_SIGNALS:
    void optionToggled(int number, bool on); // any Ch box
    void hotKeysToggled(bool on);            // Ch12
    void autostartToggled(bool on);          // Ch13
    void floatingWindowToggled(bool on);     // Ch17
    void menuEffectsToggled(bool on);        // Ch21
    void menuStyleChanged(int index);
    void popupSecondsChanged(int seconds);
    void backgroundColorChosen(const QColor &color);
    void textFontChosen(const QFont &font, const QColor &color);
    // The main window resets the look, then runs Save settings.
    void lookDefaultsRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildGeneralPage();
    QWidget *buildNoticePage();
    QWidget *buildMessagePage();
    QWidget *buildLookPage();
    QWidget *buildSoundPage();
    QWidget *buildFilesPage();
    QCheckBox *addOption(int number, const QString &caption, QWidget *page);
    void showPage(int row);

    void chooseBackgroundColor();
    void chooseTextFont();
    void chooseSound();
    void resetSound();
    void chooseFolder();
    void writeSound(const QString &file);
    void showError(const QString &text);

    QString m_settingsPath;
    std::array<QCheckBox *, kOptionCount + 1> m_options{}; // by number, [0] unused
    QListWidget *m_pageList = nullptr;
    QLabel *m_header = nullptr;
    QStackedWidget *m_pages = nullptr;
    SecondsSpinEdit *m_seconds = nullptr;
    QComboBox *m_styleBox = nullptr;
    QLabel *m_folderLabel = nullptr;

    QColor m_backgroundColor = Qt::black;
    QFont m_textFont;
    QColor m_textColor = Qt::black;
    bool m_centred = false;

    // One of each at a time; a second click raises the open one.
    QPointer<QDialog> m_colorDialog;
    QPointer<QDialog> m_fontDialog;
    QPointer<QDialog> m_soundDialog;
    QPointer<QDialog> m_folderDialog;
};
