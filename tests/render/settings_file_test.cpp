// The settings file: property lists that round-trip, damaged or oversized
// input refused within bounds, and a file that is set aside, never lost.
#include "render/Plist.h"
#include "render/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tarnvik;

namespace {

QByteArray wrapped(const QByteArray& value) { return "<plist version=\"1.0\">" + value + "</plist>"; }
QByteArray nested(int levels) {
    return wrapped(QByteArray("<array>").repeated(levels) + QByteArray("</array>").repeated(levels));
}
QByteArray text(const char* element, qsizetype n) {
    return "<" + QByteArray(element) + ">" + QByteArray(n, 'A') + "</" + element + ">";
}

const plist::Limits kSmall{.depth = 4, .stringChars = 8, .dataBytes = 6, .values = 10, .fileBytes = 200};

TEST(Plist, RoundTripsEveryKind) {
    QVariantMap inner{{"n", 0.1}, {"s", QString("æøå <&>")}, {"d", QByteArray("\0\1\2", 3)},
                      {"i", qlonglong(-7)}, {"t", true}, {"big", 1e300}};
    QVariantMap root{{"settings", inner}, {"list", QVariantList{1.5, QString("b")}}, {"empty", QVariantMap()}};
    QString err;
    auto back = plist::read(plist::write(root), &err);
    ASSERT_TRUE(back) << err.toStdString();
    EXPECT_EQ(back->toMap(), root);
}

TEST(Plist, DamagedInputIsRefusedAndEachBoundHoldsAtItsLimit) {
    struct Case {
        QByteArray xml;
        const char* reason; // null: read; empty: refused for a reason of its own
    } cases[] = {
        {"", ""},
        {"garbage", ""},
        {"<plist><dict><key>a</key></dict></plist>", ""},
        {"<plist><dict><string>a</string></dict></plist>", ""},
        {"<plist><integer>12x</integer></plist>", ""},
        {"<plist><data>@@@</data></plist>", ""},
        {"<plist><dict><key>a</key><string>b</string>", ""},
        {"<plist><date>2020-01-01T00:00:00Z</date></plist>", ""},
        {nested(4), nullptr},
        {nested(5), "nested deeper than 4 levels"},
        {wrapped(text("string", 8)), nullptr},
        {wrapped(text("string", 9)), "a string longer than 8 characters"},
        {wrapped("<dict><key>" + QByteArray(9, 'k') + "</key><true/></dict>"), "a string longer than 8"},
        {wrapped("<data>AAAA\n AAAA</data>"), nullptr}, // 6 bytes, blanks between
        {wrapped("<data>AAAAAAAAAA==</data>"), "a data block larger than 6 bytes"},
        {wrapped("<array>" + QByteArray("<true/>").repeated(9) + "</array>"), nullptr},
        {wrapped("<array>" + QByteArray("<true/>").repeated(10) + "</array>"), "more than 10 values"},
        {wrapped(QByteArray(200, ' ') + "<true/>"), "larger than 200 bytes"},
    };
    for (const Case& c : cases) {
        QString why;
        const bool read = plist::read(c.xml, &why, kSmall).has_value();
        EXPECT_EQ(read, c.reason == nullptr) << c.xml.left(60).constData();
        if (c.reason) {
            EXPECT_TRUE(why.contains(c.reason) && !why.isEmpty()) << why.toStdString();
        }
    }
    // The settings' own bounds: depth far past any stack, with no crash.
    QString why;
    EXPECT_FALSE(plist::read(nested(100'000), &why));
    EXPECT_TRUE(why.contains("nested deeper than 64 levels")) << why.toStdString();
}

class SettingsFile : public testing::Test {
protected:
    QString path() const { return dir.filePath("Tarnvik.plist"); }
    void write(const QByteArray& bytes) {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QStringList aside() const { return QDir(dir.path()).entryList({"Tarnvik.plist.damaged-*"}, QDir::Files); }
    // Refused: set aside whole, defaults used, and said why.
    void expectSetAside(const UserDefaults& d, const char* reason, qint64 size) {
        EXPECT_TRUE(d.values().isEmpty());
        EXPECT_TRUE(d.problem().contains(reason) && d.problem().contains(path())) << d.problem().toStdString();
        EXPECT_FALSE(QFile::exists(path()));
        ASSERT_EQ(aside().size(), 1);
        EXPECT_EQ(QFileInfo(dir.filePath(aside()[0])).size(), size);
    }
    QTemporaryDir dir;
};

TEST_F(SettingsFile, DamagedDeepOrLargeIsSetAsideAndTheNextWriteWorks) {
    const struct {
        QByteArray bytes;
        qint64 size; // > 0: a sparse file of that size instead
        const char* reason;
    } cases[] = {
        {"<plist><dict><key>settings</key>", 0, "cannot be read"},
        {nested(100'000), 0, "nested deeper"},
        {wrapped("<dict><key>settings</key><dict><key>InfoBox</key><dict><key>Vessel</key>" +
                 text("string", 50'000'000) + "</dict></dict></dict>"),
         0, "a string longer than 65536 characters"},
        // Past the size bound the file is refused unread: 8 GiB, sparse.
        {{}, 8LL << 30, "larger than 67108864 bytes"},
    };
    for (const auto& c : cases) {
        write(c.bytes);
        if (c.size > 0) {
            ASSERT_TRUE(QFile(path()).resize(c.size));
        }
        UserDefaults d(path());
        expectSetAside(d, c.reason, c.size > 0 ? c.size : c.bytes.size());
        if (HasFatalFailure()) return;
        if (c.size == 0) {
            QFile kept(dir.filePath(aside()[0]));
            ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
            EXPECT_EQ(kept.readAll(), c.bytes) << c.reason;
        }
        QFile::remove(dir.filePath(aside()[0]));
        d.setValue("settings", QVariantMap{{"a", 1.0}});
        EXPECT_TRUE(d.synchronize()) << c.reason;
        QFile::remove(path());
    }
}

TEST_F(SettingsFile, KeptCopyComesBeforeAnyWrite) {
    write(wrapped("<dict><key>a</key><real>nan</real></dict>"));
    UserDefaults d(path());
    EXPECT_TRUE(d.problem().isEmpty());
    const QString first = d.keepCopy(), second = d.keepCopy();
    EXPECT_TRUE(first.startsWith(path() + ".damaged-"));
    EXPECT_NE(first, second); // the same second, another name
    QFile kept(first);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), wrapped("<dict><key>a</key><real>nan</real></dict>"));
    EXPECT_TRUE(d.synchronize());

    // No copy, no write: the values would be lost.
    QFile::remove(path());
    EXPECT_TRUE(d.keepCopy().isEmpty());
    EXPECT_FALSE(d.synchronize());
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(SettingsFile, WhatTheNextStartWouldRefuseIsNotWritten) {
    write(wrapped("<dict/>"));
    UserDefaults d(path(), kSmall);
    d.setValue("settings", QByteArray(100, 'x'));
    EXPECT_FALSE(d.synchronize());
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), wrapped("<dict/>"));
}

} // namespace
