// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/SlidewellForm.h"
#include "app/TransitionTiming.h"
#include "platform/Conversions.h"
#include "platform/RuntimeError.h"
#include "platform/Twips.h"
#include "platform/VbColor.h"
#include "settings/RegistryToolModule.h"
#include "ui_SlidewellForm.h"

#include <QAction>
#include <QRandomGenerator>
#include <QScreen>

#include <algorithm>
#include <optional>

namespace {

const QString settingsKeyPath = QStringLiteral("Software\\Slidewell");

// Nothing when the value is absent or cannot be read.
std::optional<QString> storedSetting(const QString& name)
{
    QString text;
    if (!RegistryToolModule::ReadKeyValue(
            RegistryToolModule::HKEY_LOCAL_MACHINE, settingsKeyPath, name, text))
        return std::nullopt;
    return text;
}

// A value that cannot be read looks like one stored empty.
QString readSetting(const QString& name) { return storedSetting(name).value_or(QString()); }

void writeSetting(const QString& name, const QString& text)
{
    RegistryToolModule::SetKeyValue(
        RegistryToolModule::HKEY_LOCAL_MACHINE, settingsKeyPath, name, text);
}

// The stored number rounded to 32 bits; nothing when the value is absent, empty or overflows.
std::optional<qint32> readNumberSetting(const QString& name)
{
    const QString text = readSetting(name);
    if (text.isEmpty())
        return std::nullopt;
    try {
        return Conversions::toInt32(Conversions::leadingNumber(text));
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

} // namespace

void SlidewellForm::LoadSettings()
{
    QString text = readSetting(QStringLiteral("imageFolder"));
    if (!text.isEmpty())
        ui->folderTextBox->setText(text);

    text = readSetting(QStringLiteral("imageDelayInSeconds"));
    if (!text.isEmpty())
        ui->imageDelayComboBox->setCurrentText(text);

    if (readSetting(QStringLiteral("screenSize")).toLower() == QLatin1String("full"))
        ui->fullScreenOptionButton->setChecked(true);
    else
        ui->adjustableSizeOptionButton->setChecked(true);

    // Only the program writes these values; anything the colour box would refuse keeps it black.
    const std::optional<qint32> color = readNumberSetting(QStringLiteral("backgroundColor"));
    if (color && VbColor::isValid(*color))
        setSwatchColor(*color);

    // The list finds its entries without regard to case; any other text selects nothing. With no
    // format stored at all, as at the first start, a show takes every picture of the folder.
    text = storedSetting(QStringLiteral("fileFormat")).value_or(allPicturesFormat);
    if (!text.isEmpty()) {
        const int index = ui->imageFileFormatComboBox->findText(text, Qt::MatchFixedString);
        if (index >= 0)
            ui->imageFileFormatComboBox->setCurrentIndex(index);
    }

    // The Show menu's options: off unless stored as on.
    for (const auto& [option, name] : showOptions())
        option->setChecked(readSetting(name).toLower() == QLatin1String("true"));
    loadTransitionDuration();
    loadTransition();
}

QList<std::pair<QAction*, int>> SlidewellForm::durationOptions() const
{
    return { { ui->duration250Menu, 250 }, { ui->duration500Menu, 500 },
        { ui->duration1000Menu, 1000 }, { ui->duration2000Menu, 2000 },
        { ui->duration3000Menu, 3000 } };
}

// A stored length the menu does not offer reads as the default.
void SlidewellForm::loadTransitionDuration()
{
    const int stored = readSetting(QStringLiteral("transitionDuration")).trimmed().toInt();
    const QList<std::pair<QAction*, int>> options = durationOptions();
    const bool offered = std::any_of(options.begin(), options.end(),
        [stored](const std::pair<QAction*, int>& choice) { return choice.second == stored; });
    for (const auto& [option, milliseconds] : options)
        option->setChecked(milliseconds == (offered ? stored : defaultTransitionDuration));
}

int SlidewellForm::transitionDuration() const
{
    for (const auto& [option, milliseconds] : durationOptions()) {
        if (option->isChecked())
            return milliseconds;
    }
    return defaultTransitionDuration;
}

QList<std::pair<QAction*, TransitionKind>> SlidewellForm::transitionOptions() const
{
    return { { ui->transitionNoneMenu, TransitionKind::None },
        { ui->transitionFadeMenu, TransitionKind::Fade },
        { ui->transitionSlideMenu, TransitionKind::Slide },
        { ui->transitionPushMenu, TransitionKind::Push },
        { ui->transitionZoomMenu, TransitionKind::Zoom },
        { ui->transitionWipeMenu, TransitionKind::Wipe },
        { ui->transitionRandomMenu, TransitionKind::Random } };
}

// Before the Transition menu there was only a fade, stored as "fadeBetweenPictures"; a stored
// kind wins over it, and anything else is the plain cut.
void SlidewellForm::loadTransition()
{
    const bool fade =
        readSetting(QStringLiteral("fadeBetweenPictures")).toLower() == QLatin1String("true");
    const TransitionKind kind =
        transitionFromName(readSetting(QStringLiteral("transition")).trimmed())
            .value_or(fade ? TransitionKind::Fade : TransitionKind::None);
    for (const auto& [option, optionKind] : transitionOptions())
        option->setChecked(optionKind == kind);
}

TransitionKind SlidewellForm::nextTransition()
{
    TransitionKind kind = TransitionKind::None;
    for (const auto& [option, optionKind] : transitionOptions()) {
        if (option->isChecked())
            kind = optionKind;
    }
    if (kind == TransitionKind::Random)
        kind = pickRandomTransition(m_lastTransition, *QRandomGenerator::global());
    m_lastTransition = kind;
    return kind;
}

QList<std::pair<QAction*, QString>> SlidewellForm::showOptions() const
{
    return { { ui->shuffleMenu, QStringLiteral("shuffle") },
        { ui->includeSubfoldersMenu, QStringLiteral("includeSubfolders") },
        { ui->centrePicturesMenu, QStringLiteral("centrePictures") },
        { ui->showFileNamesMenu, QStringLiteral("showFileNames") },
        { ui->reverseOrderMenu, QStringLiteral("reverseOrder") } };
}

// Written only when the user changes it, so a user who never does keeps the file as it was.
void SlidewellForm::saveMenuChoice(const QString& name, const QString& value)
{
    try {
        writeSetting(name, value);
    } catch (const RuntimeError& error) {
        reportError(error);
    }
}

void SlidewellForm::SaveSettings()
{
    // Absolute, so that the next start finds the folder from whatever directory it starts in.
    writeSetting(QStringLiteral("imageFolder"), m_show.absoluteFolder(ui->folderTextBox->text()));
    writeSetting(QStringLiteral("imageDelayInSeconds"), ui->imageDelayComboBox->currentText());
    writeSetting(QStringLiteral("screenSize"), GetScreenSizeSetting());
    writeSetting(QStringLiteral("backgroundColor"), Conversions::decimalText(swatchColor()));
    writeSetting(QStringLiteral("fileFormat"), ui->imageFileFormatComboBox->currentText());
}

void SlidewellForm::SaveWindowSize()
{
    if (ui->fullScreenOptionButton->isChecked())
        return;
    writeSetting(QStringLiteral("screenWidth"), Conversions::plainNumberText(Width()));
    writeSetting(QStringLiteral("screenHeight"), Conversions::plainNumberText(Height()));
}

QString SlidewellForm::GetScreenSizeSetting() const
{
    return ui->fullScreenOptionButton->isChecked() ? QStringLiteral("full")
                                                   : QStringLiteral("adjustable");
}

// A saved size larger than the screen's free area would put the title bar out of reach, so the
// window, with its frame, never gets larger than that area.
qint32 SlidewellForm::GetSavedWidth() const
{
    const qint32 width = readNumberSetting(QStringLiteral("screenWidth")).value_or(Width());
    const int frame = frameGeometry().width() - geometry().width();
    return std::min(width, Twips::fromPixels(screen()->availableGeometry().width() - frame));
}

qint32 SlidewellForm::GetSavedHeight() const
{
    const qint32 height = readNumberSetting(QStringLiteral("screenHeight")).value_or(Height());
    const int frame = frameGeometry().height() - geometry().height();
    return std::min(height, Twips::fromPixels(screen()->availableGeometry().height() - frame));
}
