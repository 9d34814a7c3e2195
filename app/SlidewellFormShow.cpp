// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/FittedPicture.h"
#include "app/SlidewellForm.h"
#include "platform/Conversions.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"
#include "platform/Twips.h"
#include "ui_SlidewellForm.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScreen>

#include <limits>
#include <optional>

namespace {

enum PopupMenuId { StopItem = 1, PauseItem = 2, ResumeItem = 3 };

constexpr int pathNotFound = 76;

// The timer takes 0 to 65,535 ms, as the toolkit's timer did.
void setTimerInterval(QTimer& timer, qint32 interval)
{
    if (interval < 0 || interval > 65535)
        throw RuntimeError(RuntimeError::InvalidPropertyValue, QStringLiteral("Timer"),
            QStringLiteral("Invalid property value"));
    timer.setInterval(interval);
}

// A timer with interval 0 is enabled but never ticks, so the first image stays on screen.
void setTimerEnabled(QTimer& timer, bool enabled)
{
    if (enabled && timer.interval() > 0)
        timer.start();
    else
        timer.stop();
}

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
        m_showFolder = AddTrailingBackslash(QDir::isRelativePath(folder)
                ? AddTrailingBackslash(QDir::currentPath()) + folder
                : folder);
        currentImageFile = m_search.first(AddTrailingBackslash(folder) + GetFilePattern());
        if (currentImageFile.isEmpty()) {
            m_services.messageBox(this,
                QStringLiteral("The folder selected does not contain any ")
                    + ui->imageFileFormatComboBox->currentText()
                    + QStringLiteral(" image files.\r\nPlease select another folder or change "
                                     "File Format and try again."),
                QStringLiteral("No Image Files Found"), MessageStyle::Information);
            return;
        }
        BuildPopupMenu(true, true, false);
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
        if (!QDir::setCurrent(AddTrailingBackslash(folder)))
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
    return format == QLatin1String("JPG") ? QStringLiteral("*.JP*") : QStringLiteral("*.") + format;
}

QString SlidewellForm::AddTrailingBackslash(const QString& path)
{
    return path.endsWith(u'/') ? path : path + u'/';
}

void SlidewellForm::StartShow(qint32 interval)
{
    setTimerInterval(Timer, interval);
    if (!ui->fullScreenOptionButton->isChecked()) {
        setHeight(GetSavedHeight());
        setWidth(GetSavedWidth());
        CenterOnScreen();
    }
    idleImageWidth = Twips::fromPixels(ui->pictureImage->width());
    idleImageHeight = Twips::fromPixels(ui->pictureImage->height());
    SaveSettings();
    ShowNextImage();
    setTimerEnabled(Timer, true);
}

void SlidewellForm::Timer_Timer() { ShowNextImage(); }

void SlidewellForm::ShowNextImage()
{
    const QString& folder = m_showFolder;
    try {
        const qint32 clientWidth = ScaleWidth();
        const qint32 clientHeight = ScaleHeight();
        ResetPictureImage();
        if (!ui->fullScreenOptionButton->isChecked())
            setWindowTitle(QStringLiteral("Slidewell - ") + currentImageFile);
        FittedPicture picture = loadFittedPicture(
            folder + currentImageFile, clientWidth, clientHeight, devicePixelRatioF());
        ui->pictureImage->setPicture(std::move(picture.image));
        ui->pictureImage->resize(picture.size);
        ui->pictureImage->show();
    } catch (const std::exception&) {
        // The background stays for one interval; the show moves on.
    }
    // When the folder has gone or holds no match any more, the name stays empty and every tick
    // searches again, so the show resumes when files reappear.
    currentImageFile = m_search.next();
    if (currentImageFile.isEmpty())
        currentImageFile = m_search.first(folder + GetFilePattern());
}

void SlidewellForm::ResetPictureImage()
{
    ui->pictureImage->hide();
    // The hidden picture is released now, so a show never holds two decoded images.
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

void SlidewellForm::ShowPopupMenu()
{
    // Outside a show there is no menu, and nothing opens.
    if (!popupMenuHandle)
        return;
    const QList<PopupMenuItem> items = *popupMenuHandle;
    // The timer keeps running while the menu is open.
    const int choice = m_services.trackPopupMenu(this, items, m_services.cursorPos());
    switch (choice) {
    case StopItem: {
        setTimerEnabled(Timer, false);
        ResetPictureImage();
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
        break;
    }
    case PauseItem:
        setTimerEnabled(Timer, false);
        DestroyPopupMenu();
        BuildPopupMenu(true, false, true);
        break;
    case ResumeItem:
        setTimerEnabled(Timer, true);
        DestroyPopupMenu();
        BuildPopupMenu(true, true, false);
        ShowNextImage();
        break;
    default:
        break;
    }
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

void SlidewellForm::DestroyPopupMenu() { popupMenuHandle.reset(); }

void SlidewellForm::RestoreWindowSize()
{
    setWidth(startupWidth);
    setHeight(startupHeight);
    CenterOnScreen();
}
