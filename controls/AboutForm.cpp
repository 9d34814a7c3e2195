// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/AboutForm.h"

#include "controls/PropertyBag.h"
#include "controls/XLinkLabel.h"
#include "platform/FontFit.h"
#include "platform/Twips.h"
#include "platform/VbColor.h"
#include "platform/Version.h"
#include "platform/WindowCentering.h"
#include "ui_AboutForm.h"

#include <QDate>
#include <QFile>
#include <QKeyEvent>

namespace {

constexpr int designClientWidth = 5595;
constexpr int designClientHeight = 3645;

PropertyBag savedUrlLabelData()
{
    QFile file(QStringLiteral(":/forms/AboutForm.urlLabelControl.json"));
    return file.open(QIODevice::ReadOnly) ? PropertyBag::fromJson(file.readAll()) : PropertyBag();
}

} // namespace

AboutForm::AboutForm(QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
            | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , ui(std::make_unique<Ui::AboutForm>())
{
    ui->setupUi(this);
    setWindowTitle(ui->Label3->text());
    setFixedSize(Twips::toPixels(designClientWidth), Twips::toPixels(designClientHeight));
    // Placed here, so the dialog does not place itself over its parent instead.
    centerWindowOnScreen(this);
    QPalette background = palette();
    background.setColor(QPalette::Window, VbColor::toQColor(VbColor::windowBackground));
    setPalette(background);
    fitFontToDesign();
    ui->urlLabelControl->ReadProperties(savedUrlLabelData());
    fitLinkFont();
    connect(ui->okButton, &QPushButton::clicked, this, &AboutForm::okButton_Click);
    Form_Load();
}

AboutForm::~AboutForm() = default;

void AboutForm::fitFontToDesign()
{
    // The labels keep their designed boxes, so the font shrinks until each one-line caption
    // fits, whichever font the desktop offers.
    const auto fits = [this] {
        for (const QLabel* label : findChildren<QLabel*>()) {
            if (!label->wordWrap() && label->pixmap().isNull()
                && label->fontMetrics().horizontalAdvance(label->text()) > label->width())
                return false;
        }
        return ui->Label5->heightForWidth(ui->Label5->width()) <= ui->Label5->height();
    };
    shrinkFontToFit(this, fits);
}

void AboutForm::fitLinkFont()
{
    // The saved font may not exist here; its stand-in can be wider, so it shrinks until the
    // caption fits the link's box.
    XLinkLabel* link = ui->urlLabelControl;
    QFont linkFont = link->Font();
    const auto fits = [&] {
        return QFontMetrics(linkFont).horizontalAdvance(link->Caption()) <= link->width();
    };
    if (fits())
        return;
    while (!fits() && linkFont.pointSizeF() > 6.0)
        linkFont.setPointSizeF(linkFont.pointSizeF() - 0.25);
    link->setFont(linkFont);
}

void AboutForm::Form_Load()
{
    ui->versionNumberLabel->setText(
        QStringLiteral("%1.%2.%3").arg(Version::major).arg(Version::minor).arg(Version::revision));
    ui->currentYearLabel->setText(QString::number(QDate::currentDate().year()));
}

void AboutForm::okButton_Click() { accept(); }

void AboutForm::keyPressEvent(QKeyEvent* event)
{
    // OK is not the window's cancel button: Escape leaves the window open.
    if (event->matches(QKeySequence::Cancel))
        return;
    QDialog::keyPressEvent(event);
}
