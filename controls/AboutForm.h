// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class AboutForm;
}

// The About window: version, rights notice with the current year, legal warning and a link to
// the maker's web site. Each instance loads afresh, so every opening shows the year of that day.
class AboutForm : public QDialog
{
    Q_OBJECT
public:
    explicit AboutForm(QWidget* parent = nullptr);
    ~AboutForm() override;

    void Form_Load();
    void okButton_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fitFontToDesign();
    void fitLinkFont();

    std::unique_ptr<Ui::AboutForm> ui;
};
