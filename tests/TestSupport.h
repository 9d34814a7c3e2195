// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// What the window and show tests share: services that record and answer the form's modal
// windows, a form on private settings and picture folders, and file helpers.

#include "app/FormServices.h"
#include "app/SlidewellForm.h"
#include "ui_SlidewellForm.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace TestSupport {

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A committed sample file from tests/data.
inline QByteArray testData(const QString& name)
{
    return readFile(QStringLiteral(SLIDEWELL_TEST_DATA "/") + name);
}

// A picture of one colour, in the format its suffix names.
inline bool writeImage(const QString& path, int width, int height, QColor color = Qt::red)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image.save(path);
}

struct Message
{
    QString text;
    QString title;
    int style = 0;
};

// Records every message box, popup menu and chooser the form opens, and gives the queued
// answers: menu choices in order (0, dismissed, when none is left), the folder and the colour
// the choosers return (empty and -1: cancelled).
struct Answers
{
    QList<Message> messages;
    QList<QList<PopupMenuItem>> menus;
    QList<QPoint> menuPositions;
    QList<bool> timerRunningInMenu;
    QList<int> choices;
    QString folder;
    qint32 color = -1;
    // "folder <start> <title>", "colour <start>", "web <address>", "about", in order.
    QStringList calls;

    QStringList messageTexts() const
    {
        QStringList texts;
        for (const Message& message : messages)
            texts.append(message.text);
        return texts;
    }
    // The last menu's items as "id text".
    QStringList lastMenu() const
    {
        QStringList texts;
        if (!menus.isEmpty()) {
            for (const PopupMenuItem& item : menus.last())
                texts.append(QString::number(item.id) + u' ' + item.text);
        }
        return texts;
    }
};

// The form's services answered from `answers`; `form`, when given, tells whether its show's
// timer runs while a menu is open.
inline FormServices recordingServices(Answers& answers, SlidewellForm* const* form = nullptr)
{
    FormServices services;
    services.messageBox = [&answers](
                              QWidget*, const QString& text, const QString& title, int style) {
        answers.messages.append({ text, title, style });
    };
    services.trackPopupMenu = [&answers, form](
                                  QWidget*, const QList<PopupMenuItem>& items, const QPoint& at) {
        answers.menus.append(items);
        answers.menuPositions.append(at);
        answers.timerRunningInMenu.append(form && *form && (*form)->slideShow().isTicking());
        return answers.choices.isEmpty() ? 0 : answers.choices.takeFirst();
    };
    services.browseForFolder = [&answers](QWidget*, const QString& start, const QString& title) {
        answers.calls.append(QStringLiteral("folder ") + start + u' ' + title);
        return answers.folder;
    };
    services.chooseColor = [&answers](QWidget*, qint32 start) {
        answers.calls.append(QStringLiteral("colour ") + QString::number(start));
        return answers.color;
    };
    services.cursorPos = [] { return QPoint(321, 123); };
    services.openWebPage = [&answers](const QString& address) {
        answers.calls.append(QStringLiteral("web ") + address);
    };
    services.showAbout = [&answers] { answers.calls.append(QStringLiteral("about")); };
    return services;
}

// A form with recorded services, on a settings folder of its own (so every test starts without
// saved settings) and a picture folder to show.
class ShowFixture
{
public:
    ShowFixture() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path())); }
    ~ShowFixture()
    {
        delete m_form;
        // A show makes its folder the current directory: that is left too.
        QDir::setCurrent(QDir::tempPath());
    }
    ShowFixture(const ShowFixture&) = delete;
    ShowFixture& operator=(const ShowFixture&) = delete;

    // The form, created and shown at first use with the arguments after the program's name.
    SlidewellForm& form(const QStringList& arguments = {})
    {
        if (!m_form) {
            FormServices services = recordingServices(answers, &m_form);
            services.loadInBackground = loadInBackground;
            m_form = new SlidewellForm(
                QStringList { QStringLiteral("slidewell") } + arguments, std::move(services));
            m_form->show();
            if (!QTest::qWaitForWindowExposed(m_form))
                qWarning("window not exposed");
        }
        return *m_form;
    }
    Ui::SlidewellForm* ui() { return form().controls(); }

    // Presses play with the given delay, window choice, format and folder text (empty: the
    // picture folder).
    void play(const QString& delay = QStringLiteral("3"), bool fullScreen = false,
        const QString& format = QStringLiteral("All Pictures"), const QString& folder = QString())
    {
        Ui::SlidewellForm* controls = ui();
        controls->folderTextBox->setText(folder.isEmpty() ? m_pictures.path() : folder);
        controls->imageDelayComboBox->setCurrentText(delay);
        controls->imageFileFormatComboBox->setCurrentText(format);
        (fullScreen ? controls->fullScreenOptionButton : controls->adjustableSizeOptionButton)
            ->setChecked(true);
        m_form->playButton_Click();
    }
    // One tick of the show's timer; the caption it leaves.
    QString tick()
    {
        form().Timer_Timer();
        return m_form->windowTitle();
    }
    // Stop, chosen from the popup menu as a user would.
    void stop()
    {
        answers.choices = { 1 };
        form().ShowPopupMenu();
    }

    QString picture(const QString& name) const { return m_pictures.filePath(name); }
    QString picturesPath() const { return m_pictures.path(); }
    QString settingsFile() const
    {
        return m_config.filePath(QStringLiteral("Slidewell/Slidewell.conf"));
    }

    Answers answers;
    // Pictures are read on the pool's threads, as in the program, rather than at once.
    bool loadInBackground = false;

private:
    QTemporaryDir m_config;
    QTemporaryDir m_pictures;
    SlidewellForm* m_form = nullptr;
};

} // namespace TestSupport
