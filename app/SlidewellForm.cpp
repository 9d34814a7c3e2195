// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/SlidewellForm.h"

#include "platform/CommandLine.h"
#include "platform/Conversions.h"
#include "platform/FontFit.h"
#include "platform/Twips.h"
#include "platform/VbColor.h"
#include "ui_SlidewellForm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

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

// The design's button codes: 1 left, 2 right, 4 middle.
int buttonCode(Qt::MouseButton button)
{
    return button == Qt::RightButton ? 2 : button == Qt::MiddleButton ? 4 : 1;
}

} // namespace

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
    fitFontToDesign();
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
    });
    connect(&m_show, &SlideShow::imageReady, this, &SlidewellForm::showPicture);
    connect(&m_show, &SlideShow::imageFailed, this, &SlidewellForm::ResetPictureImage);
    connect(ui->exitButton, &QPushButton::clicked, this, &SlidewellForm::exitButton_Click);
    connect(ui->exitMenu, &QAction::triggered, this, &SlidewellForm::exitMenu_Click);
    connect(ui->playButton, &QPushButton::clicked, this, &SlidewellForm::playButton_Click);
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
    const QString text = commandLineArgumentText(m_arguments);
    if (!Conversions::trimBlanks(text).isEmpty())
        ui->folderTextBox->setText(text);
}

void SlidewellForm::exitButton_Click() { QApplication::exit(0); }

void SlidewellForm::exitMenu_Click() { QApplication::exit(0); }

void SlidewellForm::SetMenusVisible(bool visible)
{
    ui->fileMenu->menuAction()->setVisible(visible);
    ui->helpMenu->menuAction()->setVisible(visible);
    menuBar()->setVisible(visible);
}

void SlidewellForm::CenterOnScreen()
{
    // The whole window, frame included, is centred, and its title bar never lies above the
    // screen's usable area. setGeometry places the client area itself, so a later change of the
    // title bar leaves it where it is.
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    const int frameLeft = client.left() - frame.left();
    const int frameTop = client.top() - frame.top();
    const int frameWidth = width() + frame.width() - client.width();
    const int frameHeight = height() + frame.height() - client.height();
    const QRect screen = this->screen()->geometry();
    const int left = screen.left() + (screen.width() - frameWidth) / 2 + frameLeft;
    const int top = std::max(this->screen()->availableGeometry().top(),
                        screen.top() + (screen.height() - frameHeight) / 2)
        + frameTop;
    setGeometry(left, top, width(), height());
}

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
