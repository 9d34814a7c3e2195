// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/SlidewellForm.h"

#include "app/TransitionTiming.h"
#include "pictures/PictureFormats.h"
#include "platform/CommandLine.h"
#include "platform/Conversions.h"
#include "platform/FontFit.h"
#include "platform/Twips.h"
#include "platform/VbColor.h"
#include "platform/WindowCentering.h"
#include "ui_SlidewellForm.h"

#include <QAbstractButton>
#include <QActionGroup>
#include <QApplication>
#include <QGraphicsDropShadowEffect>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace {

// The design's client area below the menu bar.
constexpr int designClientWidth = 4665;
constexpr int designClientHeight = 3690;

void paintBackground(QWidget* widget, qint32 color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, VbColor::toQColor(color));
    widget->setPalette(palette);
}

// Presses a button when Enter reaches the panel that it watches: a key that no control inside
// took for itself. An open drop-down list is a window of its own and keeps the key.
class EnterPresses : public QObject
{
public:
    explicit EnterPresses(QAbstractButton* button)
        : QObject(button)
        , m_button(button)
    { }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            || (key->modifiers() & ~Qt::KeypadModifier))
            return false;
        m_button->click();
        return true;
    }

private:
    QAbstractButton* m_button;
};

// The design's button codes: 1 left, 2 right, 4 middle.
int buttonCode(Qt::MouseButton button)
{
    return button == Qt::RightButton ? 2 : button == Qt::MiddleButton ? 4 : 1;
}

} // namespace

const QString SlidewellForm::allPicturesFormat = QStringLiteral("All Pictures");

SlidewellForm::SlidewellForm(const QStringList& arguments, FormServices services)
    : ui(std::make_unique<Ui::SlidewellForm>())
    , m_services(std::move(services))
    , m_arguments(arguments)
    , m_show(m_services.loadInBackground ? ShowLoader::Mode::Background : ShowLoader::Mode::Inline,
          [this] {
              return ClientArea { ScaleWidth(), ScaleHeight(), devicePixelRatioF() };
          })
    , m_backColor(VbColor::windowBackground)
    , m_swatchColor(VbColor::black)
{
    ui->setupUi(this);
    for (const PictureFormat& format : pictureFormats())
        ui->imageFileFormatComboBox->addItem(format.name);
    ui->imageFileFormatComboBox->addItem(allPicturesFormat);
    ui->imageFileFormatComboBox->setCurrentIndex(-1);
    fitFontToDesign();
    // Wide enough for its longest item.
    ui->imageFileFormatComboBox->resize(std::max(ui->imageFileFormatComboBox->width(),
                                            ui->imageFileFormatComboBox->sizeHint().width()),
        ui->imageFileFormatComboBox->height());
    ui->surface->setAutoFillBackground(true);
    ui->pictureImage->hide();
    setSwatchColor(VbColor::black);
    resize(Twips::toPixels(designClientWidth),
        Twips::toPixels(designClientHeight) + menuBar()->sizeHint().height());
    // However small a stored show-window size, the window stays large enough to be seen, moved
    // and right-clicked.
    setMinimumSize(120, 40);

    connect(&m_show, &SlideShow::imageDue, this, [this](const QString& name) {
        if (!ui->fullScreenOptionButton->isChecked())
            setWindowTitle(QStringLiteral("Slidewell - ") + name);
        showFileName(name);
        // A transition still running ends at the next tick, so the new picture is never late.
        endTransition();
    });
    ui->transitionCanvas->hide();
    ui->fileNameLabel->hide();
    // The name stays readable on any picture: light letters with a dark shadow.
    ui->fileNameLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    ui->fileNameLabel->setStyleSheet(QStringLiteral("color: white"));
    // The desktop's own size, not the panel's: the panel's font may be shrunk to fit its controls.
    ui->fileNameLabel->setFont(QApplication::font());
    auto* shadow = new QGraphicsDropShadowEffect(ui->fileNameLabel);
    shadow->setColor(Qt::black);
    shadow->setOffset(1, 1);
    shadow->setBlurRadius(4);
    ui->fileNameLabel->setGraphicsEffect(shadow);
    m_transition.setStartValue(0.0);
    m_transition.setEndValue(1.0);
    connect(&m_transition, &QVariantAnimation::valueChanged, this,
        [this](const QVariant& value) { ui->transitionCanvas->setProgress(value.toReal()); });
    connect(&m_transition, &QVariantAnimation::finished, this, &SlidewellForm::endTransition);
    for (const auto& [option, name] : showOptions())
        connect(option, &QAction::triggered, this, [this, option = option, name = name] {
            saveMenuChoice(
                name, option->isChecked() ? QStringLiteral("True") : QStringLiteral("False"));
        });
    auto* durations = new QActionGroup(this);
    for (const auto& [option, milliseconds] : durationOptions()) {
        durations->addAction(option);
        connect(option, &QAction::triggered, this, [this, milliseconds = milliseconds] {
            saveMenuChoice(QStringLiteral("transitionDuration"), QString::number(milliseconds));
        });
    }
    auto* transitions = new QActionGroup(this);
    for (const auto& [option, kind] : transitionOptions()) {
        transitions->addAction(option);
        connect(option, &QAction::triggered, this, [this, kind = kind] {
            saveMenuChoice(QStringLiteral("transition"), transitionName(kind));
        });
    }
    connect(&m_show, &SlideShow::imageReady, this, &SlidewellForm::showPicture);
    connect(&m_show, &SlideShow::imageFailed, this, &SlidewellForm::ResetPictureImage);
    // An animated picture moves on during its transition too.
    connect(&m_show, &SlideShow::frameDue, this, [this](const QImage& frame) {
        ui->pictureImage->setPicture(frame);
        ui->transitionCanvas->setNextPicture(frame);
    });
    connect(ui->exitButton, &QPushButton::clicked, this, &SlidewellForm::exitButton_Click);
    connect(ui->exitMenu, &QAction::triggered, this, &SlidewellForm::exitMenu_Click);
    connect(ui->playButton, &QPushButton::clicked, this, &SlidewellForm::playButton_Click);
    // Play is the default button, which a main window, unlike a dialog, does not press on Enter.
    ui->Frame->installEventFilter(new EnterPresses(ui->playButton));
    connect(ui->browseForFolderButton, &QPushButton::clicked, this,
        &SlidewellForm::browseForFolderButton_Click);
    connect(ui->changeBackgroundColorButton, &QPushButton::clicked, this,
        &SlidewellForm::changeBackgroundColorButton_Click);
    connect(ui->aboutSlidewellMenu, &QAction::triggered, this,
        &SlidewellForm::aboutSlidewellMenu_Click);
    connect(ui->onlineUsersGuideMenu, &QAction::triggered, this,
        &SlidewellForm::onlineUsersGuideMenu_Click);
    connect(ui->pictureImage, &ImageControl::mousePressed, this,
        [this](Qt::MouseButton button) { pictureImage_MouseDown(buttonCode(button)); });

    Form_Load();
    if (parseCommandLine(m_arguments).play) {
        // A window manager takes a change to full screen only from a window it has mapped.
        auto* exposed = new QTimer(this);
        connect(exposed, &QTimer::timeout, this, [this, exposed] {
            if (windowHandle() && windowHandle()->isExposed()) {
                exposed->deleteLater();
                playButton_Click();
            }
        });
        exposed->start(20);
    }
}

SlidewellForm::~SlidewellForm() = default;

void SlidewellForm::fitFontToDesign()
{
    // The controls keep their designed sizes, so the font must shrink until every caption fits,
    // whichever font the desktop offers.
    const auto fits = [this] {
        for (const QLabel* label : ui->Frame->findChildren<QLabel*>()) {
            if (label->fontMetrics().horizontalAdvance(label->text()) > label->width())
                return false;
        }
        for (const QAbstractButton* button : ui->Frame->findChildren<QAbstractButton*>()) {
            if (button->sizeHint().width() > button->width()
                && button->fontMetrics().horizontalAdvance(button->text()) + 12 > button->width())
                return false;
        }
        return true;
    };
    shrinkFontToFit(this, fits);
}

void SlidewellForm::Form_Load()
{
    windowStyle.setClient(this);
    LoadSettings();
    startupWidth = Width();
    startupHeight = Height();
    startupBackColor = BackColor();
    ApplyCommandLine();
}

void SlidewellForm::ApplyCommandLine()
{
    const QString text = parseCommandLine(m_arguments).folderText;
    if (!Conversions::trimBlanks(text).isEmpty())
        ui->folderTextBox->setText(text);
}

void SlidewellForm::exitButton_Click() { QApplication::exit(0); }

void SlidewellForm::exitMenu_Click() { QApplication::exit(0); }

void SlidewellForm::SetMenusVisible(bool visible)
{
    ui->fileMenu->menuAction()->setVisible(visible);
    ui->showMenu->menuAction()->setVisible(visible);
    ui->helpMenu->menuAction()->setVisible(visible);
    menuBar()->setVisible(visible);
}

void SlidewellForm::CenterOnScreen() { centerWindowOnScreen(this); }

int SlidewellForm::Width() const { return Twips::fromPixels(width()); }

int SlidewellForm::Height() const { return Twips::fromPixels(height()); }

void SlidewellForm::setWidth(int twips)
{
    resize(qRound(twips / double(Twips::perPixel)), height());
}

void SlidewellForm::setHeight(int twips)
{
    resize(width(), qRound(twips / double(Twips::perPixel)));
}

int SlidewellForm::ScaleWidth() const { return Twips::fromPixels(ui->surface->width()); }

int SlidewellForm::ScaleHeight() const { return Twips::fromPixels(ui->surface->height()); }

void SlidewellForm::setBackColor(qint32 color)
{
    m_backColor = color;
    if (color == VbColor::windowBackground)
        ui->surface->setPalette(QPalette());
    else
        paintBackground(ui->surface, color);
}

void SlidewellForm::setSwatchColor(qint32 color)
{
    m_swatchColor = color;
    QPalette palette = ui->BackgroundColorTextBox->palette();
    palette.setColor(QPalette::Base, VbColor::toQColor(color));
    ui->BackgroundColorTextBox->setPalette(palette);
}

void SlidewellForm::mousePressEvent(QMouseEvent* event)
{
    Form_MouseDown(buttonCode(event->button()));
    QMainWindow::mousePressEvent(event);
}

void SlidewellForm::keyPressEvent(QKeyEvent* event)
{
    if (m_show.state() == SlideShow::State::Idle) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    const bool plain = !(event->modifiers() & ~Qt::KeypadModifier);
    switch (event->key()) {
    case Qt::Key_Escape:
        if (plain)
            return stopShow();
        break;
    case Qt::Key_Space:
        // A held key would pause and resume over and over.
        if (plain && !event->isAutoRepeat())
            return m_show.state() == SlideShow::State::Paused ? resumeShow() : pauseShow();
        break;
    case Qt::Key_Right:
    case Qt::Key_PageDown:
        if (plain)
            return m_show.skipForward();
        break;
    case Qt::Key_Left:
    case Qt::Key_PageUp:
        if (plain)
            return m_show.skipBack();
        break;
    case Qt::Key_Menu:
        return openPopupMenu(mapToGlobal(rect().center()));
    case Qt::Key_F10:
        if (event->modifiers() == Qt::ShiftModifier)
            return openPopupMenu(mapToGlobal(rect().center()));
        break;
    default:
        break;
    }
    QMainWindow::keyPressEvent(event);
}
