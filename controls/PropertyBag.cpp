// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/PropertyBag.h"

#include <QFont>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QFont fontFromJson(const QJsonObject& object)
{
    QFont font(object.value(QLatin1String("name")).toString());
    font.setPointSizeF(object.value(QLatin1String("size")).toDouble(8.25));
    font.setWeight(QFont::Weight(object.value(QLatin1String("weight")).toInt(QFont::Normal)));
    font.setItalic(object.value(QLatin1String("italic")).toBool());
    font.setUnderline(object.value(QLatin1String("underline")).toBool());
    font.setStrikeOut(object.value(QLatin1String("strikethrough")).toBool());
    return font;
}

} // namespace

QVariant PropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const
{
    return m_values.value(name.toLower(), defaultValue);
}

void PropertyBag::WriteProperty(
    const QString& name, const QVariant& value, const QVariant& defaultValue)
{
    const QString key = name.toLower();
    if (defaultValue.isValid() && value == defaultValue)
        m_values.remove(key);
    else
        m_values.insert(key, value);
}

PropertyBag PropertyBag::fromJson(const QByteArray& json)
{
    PropertyBag bag;
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QVariant value = it.value().isObject() ? QVariant(fontFromJson(it.value().toObject()))
                                                     : it.value().toVariant();
        bag.m_values.insert(it.key().toLower(), value);
    }
    return bag;
}
