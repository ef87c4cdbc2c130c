#pragma once

#include "Options.h"

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
class OptionsStore;
class QStackedWidget;
class QVBoxLayout;
class SecondsSpinEdit;

// The settings dialog: a non-modal tool window whose check boxes and folder
// label show the options store and write into it as the user changes them.
// It saves nothing itself except the sound file, which its sound page writes
// and deletes at once.
class TSettingsForm : public QDialog
{
    Q_OBJECT

public:
    TSettingsForm(OptionsStore &options, QString settingsPath, QWidget *parent = nullptr);

    // The option's box; nullptr for the main-menu items and out of range.
    QCheckBox *option(Option option) const;
    // False for options the dialog does not hold.
    bool isOptionOn(Option option) const;
    // Like a click: the option's reaction runs if the state changes.
    void setOption(Option option, bool on);

    int popupSeconds() const;
    void setPopupSeconds(int seconds);

    // 0 "Auto", 1 "Standart", 2 "WindowsXP Style"; any other index selects 2.
    int menuStyle() const;
    void setMenuStyle(int index);

    // The received-files folder; "*" while none is chosen.
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
    void optionToggled(Option option, bool on); // any box
    void hotKeysToggled(bool on);
    void autostartToggled(bool on);
    void floatingWindowToggled(bool on);
    void menuEffectsToggled(bool on);
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
    // The boxes of one page's section, in the order of the option table.
    void addOptions(int pageNumber, int section, QWidget *page, QVBoxLayout *layout);
    QCheckBox *addOption(Option option, const QString &caption, QWidget *page);
    void showPage(int row);
    void showLanguage(const QString &code);

    void chooseBackgroundColor();
    void chooseTextFont();
    void chooseSound();
    void resetSound();
    void chooseFolder();
    void writeSound(const QString &file);
    void showError(const QString &text);

    OptionsStore &m_store;
    QString m_settingsPath;
    std::array<QCheckBox *, Options::kCount + 1> m_options{}; // by number, [0] unused
    QListWidget *m_pageList = nullptr;
    QLabel *m_header = nullptr;
    QStackedWidget *m_pages = nullptr;
    SecondsSpinEdit *m_seconds = nullptr;
    QComboBox *m_styleBox = nullptr;
    QComboBox *m_languageBox = nullptr;
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
