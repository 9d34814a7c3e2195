// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/Transition.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

class tst_Transition : public QObject
{
    Q_OBJECT
private slots:
    void eachKindMovesBetweenTheScreens_data();
    void eachKindMovesBetweenTheScreens();
    void randomChangesAtEachPicture_data();
    void randomChangesAtEachPicture();
};

void tst_Transition::eachKindMovesBetweenTheScreens_data()
{
    // A black area of 100 x 40: the old picture red at the left (0 to 60), the new one blue and
    // centred (30 to 70). The colours at x = 10, 35, 55 and 90: r red, b blue, k black, d half
    // red on black, p half red, half blue.
    QTest::addColumn<TransitionKind>("kind");
    QTest::addColumn<qreal>("progress");
    QTest::addColumn<QString>("colours");
    const QList<std::pair<TransitionKind, const char*>> halfway { { TransitionKind::Fade, "dppk" },
        { TransitionKind::Slide, "rrkb" }, { TransitionKind::Push, "kkkb" },
        { TransitionKind::Zoom, "ddpk" }, { TransitionKind::Wipe, "kbrk" } };
    for (const auto& [kind, colours] : halfway) {
        const QString name = transitionName(kind);
        QTest::newRow(qPrintable(name + " 0%")) << kind << 0.0 << "rrrk";
        QTest::newRow(qPrintable(name + " 50%")) << kind << 0.5 << colours;
        QTest::newRow(qPrintable(name + " 100%")) << kind << 1.0 << "kbbk";
    }
}

void tst_Transition::eachKindMovesBetweenTheScreens()
{
    QFETCH(TransitionKind, kind);
    QFETCH(qreal, progress);
    QFETCH(QString, colours);
    const QHash<QChar, QColor> named { { 'r', QColor(255, 0, 0) }, { 'b', QColor(0, 0, 255) },
        { 'k', QColor(0, 0, 0) }, { 'd', QColor(128, 0, 0) }, { 'p', QColor(128, 0, 128) } };
    QImage old(30, 20, QImage::Format_RGB32);
    old.fill(Qt::red);
    QImage next(20, 20, QImage::Format_ARGB32_Premultiplied);
    next.fill(Qt::blue);
    QImage screen(100, 40, QImage::Format_RGB32);
    screen.fill(Qt::green);
    QPainter painter(&screen);
    paintTransition(painter, screen.rect(), kind, progress,
        { old, QRect(0, 0, 60, 40), flattenOn(next, Qt::black), QRect(30, 0, 40, 40), Qt::black });
    painter.end();
    for (int i = 0; i < colours.size(); ++i) {
        const int x = QList<int> { 10, 35, 55, 90 }.at(i);
        const QColor shown = screen.pixelColor(x, 20);
        const QColor expected = named.value(colours[i]);
        QVERIFY2(qAbs(shown.red() - expected.red()) <= 2 && shown.green() == 0
                && qAbs(shown.blue() - expected.blue()) <= 2,
            qPrintable(QStringLiteral("x %1: %2").arg(x).arg(shown.name())));
    }
}

void tst_Transition::randomChangesAtEachPicture_data()
{
    QTest::addColumn<quint32>("seed");
    for (const quint32 seed : { 1u, 42u, 2026u })
        QTest::addRow("seed %u", seed) << seed;
}

// Each pick is a moving kind other than the one before, and every kind comes up.
void tst_Transition::randomChangesAtEachPicture()
{
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);
    QSet<TransitionKind> seen;
    TransitionKind previous = TransitionKind::None;
    for (int pick = 0; pick < 100; ++pick) {
        const TransitionKind kind = pickRandomTransition(previous, random);
        QVERIFY(kind != previous && kind != TransitionKind::None && kind != TransitionKind::Random);
        seen.insert(kind);
        previous = kind;
    }
    QCOMPARE(seen.size(), 5);
}

QTEST_MAIN(tst_Transition)
#include "tst_Transition.moc"
