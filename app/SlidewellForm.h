// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "app/FormServices.h"
#include "app/PointerHider.h"
#include "app/SlideShow.h"
#include "app/Transition.h"
#include "controls/clsStyle.h"
#include "platform/RuntimeError.h"
#include "platform/ScreenSaverInhibitor.h"

#include <QMainWindow>
#include <QVariantAnimation>

#include <memory>
#include <optional>

namespace Ui {
class SlidewellForm;
}

// The program's only main window: the settings panel between shows, the show itself during one.
// Sizes and positions that the window reports or stores are in twips.
class SlidewellForm : public QMainWindow
{
    Q_OBJECT
public:
    explicit SlidewellForm(
        const QStringList& arguments, FormServices services = FormServices::standard());
    ~SlidewellForm() override;

    Ui::SlidewellForm* controls() const { return ui.get(); }

    // Start-up and exit.
    void Form_Load();
    void ApplyCommandLine();
    void exitButton_Click();
    void exitMenu_Click();

    // Settings kept between runs.
    void LoadSettings();
    void SaveSettings();
    void SaveWindowSize();
    QString GetScreenSizeSetting() const;
    qint32 GetSavedWidth() const;
    qint32 GetSavedHeight() const;

    // Show start.
    void playButton_Click();
    bool ValidateImageDelay();
    // The patterns of the selected format, separated by ";".
    QString GetFilePattern() const;
    // The format list's last item: the pictures of every format.
    static const QString allPicturesFormat;
    static QString AddTrailingBackslash(const QString& path);
    void SetMenusVisible(bool visible);
    void StartShow(qint32 interval);
    void CenterOnScreen();

    // Presentation.
    void Timer_Timer();
    void ShowNextImage();
    void ResetPictureImage();

    // Pause, resume and stop.
    void Form_MouseDown(int button);
    void pictureImage_MouseDown(int button);
    void ShowPopupMenu();
    void BuildPopupMenu(bool withStop, bool withPause, bool withResume);
    void DestroyPopupMenu();
    void RestoreWindowSize();

    // Dialogs and the Help menu.
    void browseForFolderButton_Click();
    void changeBackgroundColorButton_Click();
    void aboutSlidewellMenu_Click();
    void onlineUsersGuideMenu_Click();

    // The window's outer size and position and its client area, in twips.
    int Width() const;
    int Height() const;
    void setWidth(int twips);
    void setHeight(int twips);
    int ScaleWidth() const;
    int ScaleHeight() const;

    // The window's background colour as a colour value (system colour or 0x00BBGGRR).
    qint32 BackColor() const { return m_backColor; }
    void setBackColor(qint32 color);
    // The colour swatch's colour: the show's background.
    qint32 swatchColor() const { return m_swatchColor; }
    void setSwatchColor(qint32 color);

    // The show's sequencing: its timer, folder search, state and loading.
    SlideShow& slideShow() { return m_show; }

    // Whether the screen saver is held off and the pointer hidden: for tests.
    bool holdsScreenSaver() const { return m_screenSaver.isHeld(); }
    const PointerHider& pointerHider() const { return m_pointerHider; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    // The show's keys; outside a show keys do what they always did.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fitFontToDesign();
    // The one message box for unexpected errors: "Error occurred: " and the description.
    void reportError(const RuntimeError& error);
    void showPicture(const FittedPicture& picture);
    void showFileName(const QString& name);
    void endTransition();
    void rebuildPopupMenu();
    void openPopupMenu(const QPoint& at);
    void stopShow();
    void pauseShow();
    void resumeShow();
    // The Show menu's options, each with the name of its stored value.
    QList<std::pair<QAction*, QString>> showOptions() const;
    // The Duration menu's choices, one checked at a time, and the length of a transition.
    QList<std::pair<QAction*, int>> durationOptions() const;
    void loadTransitionDuration();
    int transitionDuration() const;
    // The Transition menu's kinds, one checked at a time, each with its stored name.
    QList<std::pair<QAction*, TransitionKind>> transitionOptions() const;
    void loadTransition();
    // The kind for the next picture; Random picks one.
    TransitionKind nextTransition();
    void saveMenuChoice(const QString& name, const QString& value);

    std::unique_ptr<Ui::SlidewellForm> ui;
    FormServices m_services;
    QStringList m_arguments;

    clsStyle windowStyle;
    qint32 startupWidth = 0;
    qint32 startupHeight = 0;
    qint32 startupBackColor = 0;

    // The show's popup menu: present from the show start until it stops.
    std::optional<QList<PopupMenuItem>> popupMenuHandle;
    qint32 idleImageWidth = 0;
    qint32 idleImageHeight = 0;
    SlideShow m_show;
    ScreenSaverInhibitor m_screenSaver;
    PointerHider m_pointerHider;
    QVariantAnimation m_transition;
    TransitionKind m_lastTransition = TransitionKind::None;

    qint32 m_backColor;
    qint32 m_swatchColor;
};
