// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/FittedPicture.h"
#include "app/SlidewellForm.h"
#include "app/TransitionTiming.h"
#include "pictures/PictureFormats.h"
#include "platform/Conversions.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "platform/Twips.h"
#include "ui_SlidewellForm.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLayout>
#include <QScreen>

#include <limits>
#include <optional>

namespace {

enum PopupMenuId { StopItem = 1, PauseItem = 2, ResumeItem = 3 };

constexpr int pathNotFound = 76;

// The window manager applies a change of window state some time after the request. Waits,
// briefly and without taking user input, until the widget has the expected size, so the next
// image is fitted to the new area rather than the old one.
void awaitSize(QWidget* widget, const QSize& size)
{
    if (widget->size() == size)
        return;
    QEventLoop loop;
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (widget->size() == size || clock.hasExpired(1000))
            loop.quit();
    });
    poll.start(5);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

void SlidewellForm::playButton_Click()
{
    if (!ValidateImageDelay())
        return;
    const QString folder = ui->folderTextBox->text();
    if (Conversions::trimBlanks(folder).isEmpty()) {
        m_services.messageBox(this, QStringLiteral("Please select a folder."),
            QStringLiteral("Folder Empty"), MessageStyle::Information);
        ui->folderTextBox->setFocus();
        return;
    }
    try {
        const QString showFolder = AddTrailingBackslash(m_show.absoluteFolder(folder));
        m_show.setSearchOptions(ui->includeSubfoldersMenu->isChecked(),
            ui->shuffleMenu->isChecked(), ui->reverseOrderMenu->isChecked());
        if (m_show.search(showFolder, GetFilePattern()).isEmpty()) {
            m_services.messageBox(this,
                QStringLiteral("The folder selected does not contain any ")
                    + ui->imageFileFormatComboBox->currentText()
                    + QStringLiteral(" image files.\r\nPlease select another folder or change "
                                     "File Format and try again."),
                QStringLiteral("No Image Files Found"), MessageStyle::Information);
            return;
        }
        m_show.begin();
        rebuildPopupMenu();
        SetMenusVisible(false);
        if (ui->fullScreenOptionButton->isChecked()) {
            windowStyle.setTitlebar(false);
            setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowFullScreen);
            awaitSize(ui->surface, screen()->geometry().size());
        } else {
            windowStyle.setTitlebar(true);
        }
        ui->Frame->hide();
        setBackColor(swatchColor());

        const qint64 interval = qint64(Conversions::toInt32(Conversions::leadingNumber(
                                    ui->imageDelayComboBox->currentText())))
            * 1000;
        if (interval < std::numeric_limits<qint32>::min()
            || interval > std::numeric_limits<qint32>::max())
            throw RuntimeError(RuntimeError::Overflow, QString(), QStringLiteral("Overflow"));
        if (!QDir::setCurrent(showFolder))
            throw RuntimeError(
                pathNotFound, QStringLiteral("ChDir"), QStringLiteral("Path not found"));
        StartShow(qint32(interval));
    } catch (const RuntimeError& error) {
        reportError(error);
    }
}

bool SlidewellForm::ValidateImageDelay()
{
    const QString text = ui->imageDelayComboBox->currentText();
    QString message;
    QString title;
    if (Conversions::trimBlanks(text).isEmpty()) {
        message = QStringLiteral("Seconds cannot be empty.");
        title = QStringLiteral("Invalid Seconds");
    } else if (!Conversions::isNumeric(text)) {
        message = QStringLiteral("Please enter a valid number.");
        title = QStringLiteral("Invalid Number");
    } else if (Conversions::leadingNumber(text) > 65) {
        message = QStringLiteral("Seconds must be below 66.");
        title = QStringLiteral("Seconds Too Large");
    } else {
        return true;
    }
    m_services.messageBox(this, message, title, MessageStyle::Information);
    ui->imageDelayComboBox->setFocus();
    return false;
}

QString SlidewellForm::GetFilePattern() const
{
    const QString format = ui->imageFileFormatComboBox->currentText();
    if (format == allPicturesFormat)
        return allPicturePatterns().join(u';');
    for (const PictureFormat& candidate : pictureFormats()) {
        if (candidate.name == format)
            return candidate.patterns.join(u';');
    }
    // No format selected: "*." alone, the names without an extension.
    return QStringLiteral("*.") + format;
}

QString SlidewellForm::AddTrailingBackslash(const QString& path)
{
    return path.endsWith(u'/') ? path : path + u'/';
}

void SlidewellForm::StartShow(qint32 interval)
{
    m_show.setInterval(interval);
    if (!ui->fullScreenOptionButton->isChecked()) {
        setHeight(GetSavedHeight());
        setWidth(GetSavedWidth());
        CenterOnScreen();
    }
    // The first picture is fitted to the client area of the show's layout, without the menu bar.
    layout()->activate();
    idleImageWidth = Twips::fromPixels(ui->pictureImage->width());
    idleImageHeight = Twips::fromPixels(ui->pictureImage->height());
    SaveSettings();
    ShowNextImage();
    m_show.enableTimer();
    // The show's keys reach the window itself, the settings' controls being hidden.
    setFocus();
    m_screenSaver.hold(QStringLiteral("Showing pictures"));
    m_pointerHider.setActive(ui->fullScreenOptionButton->isChecked());
}

void SlidewellForm::Timer_Timer() { ShowNextImage(); }

// The picture follows from the loader; until it comes the previous one stays.
void SlidewellForm::ShowNextImage() { m_show.showNext(); }

void SlidewellForm::showPicture(const FittedPicture& picture)
{
    // A picture read ahead comes in with a transition from the one on screen; one that kept the
    // show waiting, or one after a failure, simply appears.
    endTransition();
    const int duration = transitionMilliseconds(transitionDuration(), m_show.interval());
    const TransitionKind kind =
        m_show.dueWasReadAhead() && ui->pictureImage->isVisible() && duration > 0
        ? nextTransition()
        : TransitionKind::None;
    const QImage old = ui->pictureImage->picture();
    const QRect oldRect = ui->pictureImage->geometry();
    ui->pictureImage->setPicture(picture.image);
    ui->pictureImage->resize(picture.size);
    if (ui->centrePicturesMenu->isChecked())
        ui->pictureImage->move((ui->surface->width() - picture.size.width()) / 2,
            (ui->surface->height() - picture.size.height()) / 2);
    else
        ui->pictureImage->move(0, 0);
    ui->pictureImage->show();
    if (kind == TransitionKind::None)
        return;
    // The canvas paints both pictures below the file name until the new one stands alone.
    ui->pictureImage->setOpacity(0);
    ui->transitionCanvas->start(kind, old, oldRect, picture.image, ui->pictureImage->geometry());
    m_transition.setDuration(duration);
    m_transition.start();
}

void SlidewellForm::endTransition()
{
    m_transition.stop();
    ui->pictureImage->setOpacity(1);
    ui->transitionCanvas->finish();
}

void SlidewellForm::showFileName(const QString& name)
{
    if (!ui->showFileNamesMenu->isChecked() || !ui->fullScreenOptionButton->isChecked())
        return;
    constexpr int margin = 8;
    ui->fileNameLabel->setText(name);
    ui->fileNameLabel->adjustSize();
    ui->fileNameLabel->move(margin, ui->surface->height() - ui->fileNameLabel->height() - margin);
    ui->fileNameLabel->raise();
    ui->fileNameLabel->show();
}

void SlidewellForm::ResetPictureImage()
{
    endTransition();
    ui->pictureImage->hide();
    // The hidden picture is released now.
    ui->pictureImage->setPicture(QImage());
    ui->pictureImage->resize(ui->pictureImage->width(), Twips::toPixels(idleImageHeight));
    ui->pictureImage->resize(Twips::toPixels(idleImageWidth), ui->pictureImage->height());
}

void SlidewellForm::Form_MouseDown(int button)
{
    if (button == 2)
        ShowPopupMenu();
}

void SlidewellForm::pictureImage_MouseDown(int button)
{
    if (button == 2)
        ShowPopupMenu();
}

void SlidewellForm::ShowPopupMenu() { openPopupMenu(m_services.cursorPos()); }

void SlidewellForm::openPopupMenu(const QPoint& at)
{
    // Outside a show there is no menu, and nothing opens.
    if (!popupMenuHandle)
        return;
    const QList<PopupMenuItem> items = *popupMenuHandle;
    // The timer keeps running while the menu is open.
    switch (m_services.trackPopupMenu(this, items, at)) {
    case StopItem:
        stopShow();
        break;
    case PauseItem:
        pauseShow();
        break;
    case ResumeItem:
        resumeShow();
        break;
    default:
        break;
    }
}

void SlidewellForm::stopShow()
{
    // The timer stops, and a picture still loading is dropped (a metafile's helper killed).
    m_show.stop();
    m_screenSaver.release();
    m_pointerHider.setActive(false);
    ResetPictureImage();
    ui->fileNameLabel->hide();
    DestroyPopupMenu();
    windowStyle.setTitlebar(true);
    if (windowState() & (Qt::WindowFullScreen | Qt::WindowMaximized | Qt::WindowMinimized)) {
        const QSize normalSize = normalGeometry().size();
        setWindowState(Qt::WindowNoState);
        if (normalSize.isValid())
            awaitSize(this, normalSize);
    }
    ui->Frame->show();
    setBackColor(startupBackColor);
    // A failed save must not leave the window half restored: finish first, then report.
    std::optional<RuntimeError> failure;
    try {
        SaveWindowSize();
    } catch (const RuntimeError& error) {
        failure = error;
    }
    RestoreWindowSize();
    SetMenusVisible(true);
    if (failure)
        reportError(*failure);
}

void SlidewellForm::pauseShow()
{
    m_show.pause();
    endTransition();
    m_screenSaver.release();
    rebuildPopupMenu();
}

void SlidewellForm::resumeShow()
{
    m_show.resume();
    m_screenSaver.hold(QStringLiteral("Showing pictures"));
    rebuildPopupMenu();
    ShowNextImage();
}

void SlidewellForm::reportError(const RuntimeError& error)
{
    m_services.messageBox(this, QStringLiteral("Error occurred: ") + error.description(),
        QStringLiteral("Error Occurred"), MessageStyle::Critical);
}

void SlidewellForm::BuildPopupMenu(bool withStop, bool withPause, bool withResume)
{
    QList<PopupMenuItem> items;
    if (withStop)
        items.append({ StopItem, QStringLiteral("Stop") });
    if (withPause)
        items.append({ PauseItem, QStringLiteral("Pause") });
    if (withResume)
        items.append({ ResumeItem, QStringLiteral("Resume") });
    popupMenuHandle = items;
}

// The menu's items follow from the show's state: "Pause" while it runs, "Resume" while paused.
void SlidewellForm::rebuildPopupMenu()
{
    DestroyPopupMenu();
    BuildPopupMenu(true, m_show.state() == SlideShow::State::Running,
        m_show.state() == SlideShow::State::Paused);
}

void SlidewellForm::DestroyPopupMenu() { popupMenuHandle.reset(); }

void SlidewellForm::RestoreWindowSize()
{
    setWidth(startupWidth);
    setHeight(startupHeight);
    CenterOnScreen();
}
