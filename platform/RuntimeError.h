// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

#include <exception>

// The program's run-time error: a number, the routine or module that raised it, and a text a
// user can act on. Expected failures travel as this type; handlers turn it into a message box.
class RuntimeError : public std::exception
{
public:
    RuntimeError(int number, QString source, QString description);

    int number() const { return m_number; }
    const QString& source() const { return m_source; }
    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

    // Numbers of the errors the program raises itself.
    static constexpr int InvalidProcedureCall = 5;
    static constexpr int Overflow = 6;
    static constexpr int InvalidPropertyValue = 380;

private:
    int m_number;
    QString m_source;
    QString m_description;
    QByteArray m_what;
};
