#include "core/Bytes.h"
#include "sysmod/SampleImage.h"
#include "sysmod/ParameterSet.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using sysmod::ParameterSet;

namespace {

QByteArray patterned()
{
    QByteArray image(sysmod::ImageSize, '\0');
    for (int i = 0; i < image.size(); ++i) image[i] = char(i * 7);
    return image;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(SysModChecksum, ZeroImageAndHeaderVectors)
{
    ParameterSet sm;
    EXPECT_EQ(sm.updateChecksum() & 0xFFFF, 0xFFFFu);
    EXPECT_EQ(sm.getByte(1030), 0xFF);
    EXPECT_EQ(sm.getByte(1031), 0xFF);

    sm.initHeader();
    EXPECT_EQ(sm.imageData().left(4), core::bytes({0x0A, 0x02, 0x00, 0x00}));
    EXPECT_EQ(sm.updateChecksum() & 0xFFFF, 0x000Bu);
    EXPECT_EQ(sm.getByte(1030), 0x0B);
    EXPECT_EQ(sm.getByte(1031), 0x00);
}

TEST(SysModChecksum, OldChecksumIsNotPartOfTheSum)
{
    ParameterSet sm;
    sm.setByte(1030, 0x12);
    sm.setByte(1031, 0x34);
    sm.setByte(1029, 0xFF);
    EXPECT_EQ(sm.updateChecksum() & 0xFFFF, 0x00FEu);
}

TEST(SysMod, CreateClearsAndIsNotLinked)
{
    ParameterSet sm;
    EXPECT_EQ(sm.imageData(), QByteArray(1032, '\0'));
    EXPECT_EQ(sm.imageSize(), 1032);
    EXPECT_EQ(sm.fileName(), "CLEAR.smb");
    EXPECT_EQ(sm.baseName(), "CLEAR");

    QStringList calls;
    sm.loadFromQRx([&](const QString &t) { calls << "success " + t; }, [&](const QString &t) { calls << "failure " + t; },
                   [&](const QString &t) { calls << "status " + t; }, [&](int) { calls << "progress"; });
    sm.saveToQRx(nullptr, nullptr, nullptr, nullptr);  // empty callbacks are allowed
    EXPECT_EQ(calls, QStringList({"failure nicht gelinkt!!", "status nicht gelinkt!!"}));
}

TEST(SysMod, ByteAccessOutsideTheImageIsHarmless)
{
    ParameterSet sm;
    sm.setByte(5, 0xAB);
    sm.setByte(-1, 0x11);
    sm.setByte(1032, 0x11);
    EXPECT_EQ(sm.getByte(5), 0xAB);
    EXPECT_EQ(sm.getByte(-1), 0);
    EXPECT_EQ(sm.getByte(1032), 0);
    EXPECT_EQ(sm.imageData().size(), 1032);
    EXPECT_FALSE(sm.setImageData(QByteArray(1031, '\1')));
    EXPECT_EQ(sm.getByte(0), 0);
}

TEST(SysMod, SetFileNames)
{
    const struct {
        const char *path, *file, *base;
    } cases[] = {
        {"x", "x.smb", "x"},
        {"a.b.smb", "a.b.smb", "a"},
        {"/home/u/files/anlage.smb", "anlage.smb", "anlage"},
        {"C:\\QIP\\FILES\\HAUS12.SMB", "HAUS12.SMB", "HAUS12"},
        {"C:lift", "lift.smb", "lift"},
        {"dir.d/plain", "plain.smb", "plain"},
        {"", ".smb", ""},
    };
    for (const auto &c : cases) {
        ParameterSet sm;
        sm.setFileNames(c.path);
        EXPECT_EQ(sm.fileName(), c.file) << c.path;
        EXPECT_EQ(sm.baseName(), c.base) << c.path;
    }
}

TEST(SysModFile, OnlyAWholeImageLoads)
{
    QTemporaryDir dir;
    const QByteArray before = patterned();
    const struct {
        const char *name;
        int length;  // -1: no file
        bool loads;
    } cases[] = {
        {"exact.smb", 1032, true},
        {"short.smb", 1031, false},
        {"long.smb", 1033, false},
        {"empty.smb", 0, false},
        {"missing.smb", -1, false},
    };
    for (const auto &c : cases) {
        const QString path = dir.filePath(c.name);
        // A whole file loads even when its checksum does not match.
        const QByteArray content(std::max(c.length, 0), '\x5A');
        if (c.length >= 0) {
            ASSERT_TRUE(writeFile(path, content));
        }

        ParameterSet sm;
        sm.setImageData(before);
        sm.setFileNames("previous.smb");
        EXPECT_EQ(sm.loadFromFile(path), c.loads) << c.name;
        EXPECT_EQ(sm.imageData(), c.loads ? content : before) << c.name;
        EXPECT_EQ(sm.fileName(), c.loads ? QString(c.name) : QString("previous.smb")) << c.name;
        if (c.loads) {
            EXPECT_EQ(sm.transferred(), 1032);
        } else {
            EXPECT_FALSE(sm.lastError().isEmpty()) << c.name;
        }
    }
}

TEST(SysModFile, ADirectoryDoesNotLoad)
{
    QTemporaryDir dir;
    ParameterSet sm;
    sm.setImageData(patterned());
    EXPECT_FALSE(sm.loadFromFile(dir.path()));
    EXPECT_EQ(sm.imageData(), patterned());
}

TEST(SysModFile, SaveSetsHeaderAndChecksumAndLoadsBack)
{
    QTemporaryDir dir;
    ParameterSet sm;
    sm.setImageData(patterned());
    const QString path = dir.filePath("out.smb");
    ASSERT_TRUE(sm.saveToFile(path));
    EXPECT_EQ(sm.fileName(), "out.smb");
    EXPECT_EQ(sm.transferred(), 1032);

    const QByteArray saved = readFile(path);
    ASSERT_EQ(saved.size(), 1032);
    EXPECT_EQ(sysmod::wordAt(saved, 0), 522);
    EXPECT_EQ(sysmod::wordAt(saved, 2), sysmod::wordAt(patterned(), 2));  // left as it was
    EXPECT_TRUE(sysmod::checksumValid(saved));

    ParameterSet other;
    EXPECT_TRUE(other.loadFromFile(path));
    EXPECT_EQ(other.imageData(), saved);
}

TEST(SysModFile, FailedSaveKeepsTheOldFileAndSaysSo)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.smb");
    ASSERT_TRUE(writeFile(path, QByteArray(1032, '\x11')));

    ParameterSet sm;
    EXPECT_FALSE(sm.saveToFile(dir.filePath("no/such/dir/x.smb")));
    EXPECT_FALSE(sm.lastError().isEmpty());
    EXPECT_EQ(sm.fileName(), "CLEAR.smb");

    // A read-only folder: the old file stays whole, no temporary is left behind.
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool refused = !sm.saveToFile(path);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (refused) {  // root may write anyway
        EXPECT_EQ(readFile(path), QByteArray(1032, '\x11'));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"keep.smb"}));
    }
}

TEST(SysModFile, LoadDefault)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("werk.smb");
    QByteArray content = patterned();
    content[0] = 0;  // a header the load must put right
    ASSERT_TRUE(writeFile(path, content));

    ParameterSet sm;
    sm.setDefaultFile(path);
    EXPECT_EQ(sm.defaultName(), "werk");
    sm.loadDefault();
    EXPECT_EQ(sm.fileName(), "werk.smb");
    EXPECT_EQ(sm.baseName(), "werk");
    EXPECT_EQ(sysmod::wordAt(sm.imageData(), 0), 522);
    EXPECT_EQ(sysmod::wordAt(sm.imageData(), 2), 0);
    EXPECT_EQ(sm.imageData().mid(4, 1026), content.mid(4, 1026));
    EXPECT_TRUE(sysmod::checksumValid(sm.imageData()));
}

TEST(SysModFile, MissingOrBrokenDefaultGivesAValidEmptyImage)
{
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.filePath("broken.smb"), QByteArray(1000, '\x33')));
    for (const QString name : {"absent.smb", "broken.smb"}) {
        ParameterSet sm;
        sm.setImageData(patterned());
        sm.setDefaultFile(dir.filePath(name));
        sm.loadDefault();
        QByteArray expected(1032, '\0');
        expected[0] = 0x0A;
        expected[1] = 0x02;
        expected[1030] = 0x0B;
        EXPECT_EQ(sm.imageData(), expected) << name.toStdString();
        EXPECT_EQ(sm.fileName(), name) << name.toStdString();
    }
}

TEST(SysModDescription, Version)
{
    QTemporaryDir dir;
    ParameterSet sm;
    EXPECT_EQ(sm.descriptionVersion(), "??");
    EXPECT_FALSE(sm.loadDescription(dir.filePath("missing.sys")));
    EXPECT_EQ(sm.descriptionVersion(), "??");

    ASSERT_TRUE(writeFile(dir.filePath("noversion.sys"), "[id]\nname=x\n"));
    EXPECT_TRUE(sm.loadDescription(dir.filePath("noversion.sys")));
    EXPECT_EQ(sm.descriptionVersion(), "??");

    ASSERT_TRUE(writeFile(dir.filePath("sysmod.sys"), "[ID]\nVersion=QRX 5.22\n"));
    EXPECT_TRUE(sm.loadDescription(dir.filePath("sysmod.sys")));
    EXPECT_EQ(sm.descriptionVersion(), "QRX 5.22");
}

TEST(SysModDescribe, FloorsDoorsAndCalls)
{
    ParameterSet sm;
    sm.setByte(154, 7);
    sm.setByte(568, 3);
    sm.setByte(568 + 39, 2);
    sm.setByte(176 + 4 * 2, 0x34);
    sm.setByte(177 + 4 * 2, 0x12);
    sm.setByte(178 + 4 * 2, 0x78);
    sm.setByte(179 + 4 * 2, 0x56);
    sm.setByte(176 + 4 * 40, 0x99);  // beyond the last floor's entry

    EXPECT_EQ(sm.describeTopFloor(), 7);
    EXPECT_EQ(sm.describeTurfkt(0), 3);
    EXPECT_EQ(sm.describeTurfkt(39), 2);
    EXPECT_EQ(sm.describeTurfkt(40), 0);
    EXPECT_EQ(sm.describeTurfkt(-1), 0);
    EXPECT_EQ(sm.describeAnfModel(2), 0x56781234u);
    EXPECT_EQ(sm.describeAnfModel(40), 0u);

    sm.setByte(154, 200);  // a garbage file must not ask for 201 floors
    EXPECT_EQ(sm.describeTopFloor(), 39);
}

TEST(SysModDelivered, DefaultFileIsTheSampleInstallation)
{
    const QString root = HALTRON_SOURCE_DIR;
    ParameterSet sm;
    sm.startUp(root + "/data/sysmod.sys", root + "/data/files/default.smb");
    EXPECT_EQ(sm.imageData(), sysmod::makeSampleImage({}));
    EXPECT_NE(sm.descriptionVersion(), "??");
    EXPECT_EQ(sm.fileName(), "default.smb");

    // Six floors, through-loading at the ground floor, calls matching the doors.
    ASSERT_EQ(sm.describeTopFloor(), 5);
    EXPECT_EQ(sm.describeTurfkt(0), 3);
    EXPECT_EQ(sm.describeAnfModel(0) & 0x1E00, 0x0A00u);  // up only, both sides
    for (int floor = 1; floor < 5; ++floor) {
        EXPECT_EQ(sm.describeTurfkt(floor), 1);
        EXPECT_EQ(sm.describeAnfModel(floor) & 0x1E00, 0u);  // up and down on side A
    }
    EXPECT_EQ(sm.describeAnfModel(5) & 0x1E00, 0x0400u);  // down only
    EXPECT_EQ(sm.describeTurfkt(6), 0);
}

TEST(SysModDelivered, DescriptionMatchesTheLayout)
{
    ParameterSet sm;
    ASSERT_TRUE(sm.loadDescription(QString(HALTRON_SOURCE_DIR) + "/data/sysmod.sys"));
    EXPECT_FALSE(sm.describedParameters().contains("id", Qt::CaseInsensitive));
    EXPECT_EQ(sm.parameterOffset("ko"), sysmod::TopFloorOffset);
    EXPECT_EQ(sm.parameterOffset("Anf_model"), sysmod::CallModelOffset);
    EXPECT_EQ(sm.parameterOffset("turfkt"), sysmod::DoorFunctionOffset);
    EXPECT_EQ(sm.parameterOffset("Pruefsumme"), sysmod::ChecksumOffset);
    EXPECT_EQ(sm.parameterOffset("nicht da"), -1);
    for (const QString &name : sm.describedParameters()) {
        EXPECT_FALSE(sm.describeParameter(name).longName.isEmpty()) << name.toStdString();
        EXPECT_FALSE(sm.describeParameter(name).hint.isEmpty()) << name.toStdString();
        EXPECT_GE(sm.parameterOffset(name), 0) << name.toStdString();
        EXPECT_LT(sm.parameterOffset(name), sysmod::ImageSize) << name.toStdString();
    }
    EXPECT_EQ(sm.describeParameter("ko").longName, "Oberste Haltestelle");

    sm.setDescriptionKeys("langname", "hinweis");  // keys the file does not use
    EXPECT_TRUE(sm.describeParameter("ko").longName.isEmpty());
}
