// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

// The saved data of one control on a form: values by property name, names matched without
// regard to case. A value equal to its default is not stored, and a missing one reads as the
// default, so saved data holds only what differs from a fresh control.
class PropertyBag
{
public:
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue = QVariant()) const;
    // An invalid defaultValue means "no default": the value is always stored.
    void WriteProperty(
        const QString& name, const QVariant& value, const QVariant& defaultValue = QVariant());

    // The stored names, in lower case.
    QStringList names() const { return m_values.keys(); }

    // Saved form data as a JSON object of name/value pairs; a font is an object with "name",
    // "size" (points), "weight", "italic", "underline" and "strikethrough". Anything that is not
    // a JSON object gives an empty bag.
    static PropertyBag fromJson(const QByteArray& json);

private:
    QVariantMap m_values;
};
