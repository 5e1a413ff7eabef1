#include "core/Bytes.h"
#include "sysmod/SampleImage.h"
#include "sysmod/SysMod.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using sysmod::TSysMod;

namespace {

QByteArray patterned()
{
    QByteArray image(sysmod::kImageSize, '\0');
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
    TSysMod sm;
    EXPECT_EQ(sm.UpdateChecksum() & 0xFFFF, 0xFFFFu);
    EXPECT_EQ(sm.GetByte(1030), 0xFF);
    EXPECT_EQ(sm.GetByte(1031), 0xFF);

    sm.InitHeader();
    EXPECT_EQ(sm.ImageData().left(4), core::bytes({0x0A, 0x02, 0x00, 0x00}));
    EXPECT_EQ(sm.UpdateChecksum() & 0xFFFF, 0x000Bu);
    EXPECT_EQ(sm.GetByte(1030), 0x0B);
    EXPECT_EQ(sm.GetByte(1031), 0x00);
}

TEST(SysModChecksum, OldChecksumIsNotPartOfTheSum)
{
    TSysMod sm;
    sm.SetByte(1030, 0x12);
    sm.SetByte(1031, 0x34);
    sm.SetByte(1029, 0xFF);
    EXPECT_EQ(sm.UpdateChecksum() & 0xFFFF, 0x00FEu);
}

TEST(SysMod, CreateClearsAndIsNotLinked)
{
    TSysMod sm;
    EXPECT_EQ(sm.ImageData(), QByteArray(1032, '\0'));
    EXPECT_EQ(sm.ImageSize(), 1032);
    EXPECT_EQ(sm.FileName(), "CLEAR.smb");
    EXPECT_EQ(sm.BaseName(), "CLEAR");

    QStringList calls;
    sm.LoadFromQRx([&](const QString &t) { calls << "success " + t; }, [&](const QString &t) { calls << "failure " + t; },
                   [&](const QString &t) { calls << "status " + t; }, [&](int) { calls << "progress"; });
    sm.SaveToQRx(nullptr, nullptr, nullptr, nullptr);  // empty callbacks are allowed
    EXPECT_EQ(calls, QStringList({"failure nicht gelinkt!!", "status nicht gelinkt!!"}));
}

TEST(SysMod, ByteAccessOutsideTheImageIsHarmless)
{
    TSysMod sm;
    sm.SetByte(5, 0xAB);
    sm.SetByte(-1, 0x11);
    sm.SetByte(1032, 0x11);
    EXPECT_EQ(sm.GetByte(5), 0xAB);
    EXPECT_EQ(sm.GetByte(-1), 0);
    EXPECT_EQ(sm.GetByte(1032), 0);
    EXPECT_EQ(sm.ImageData().size(), 1032);
    EXPECT_FALSE(sm.SetImageData(QByteArray(1031, '\1')));
    EXPECT_EQ(sm.GetByte(0), 0);
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
        TSysMod sm;
        sm.SetFileNames(c.path);
        EXPECT_EQ(sm.FileName(), c.file) << c.path;
        EXPECT_EQ(sm.BaseName(), c.base) << c.path;
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

        TSysMod sm;
        sm.SetImageData(before);
        sm.SetFileNames("previous.smb");
        EXPECT_EQ(sm.LoadFromFile(path), c.loads) << c.name;
        EXPECT_EQ(sm.ImageData(), c.loads ? content : before) << c.name;
        EXPECT_EQ(sm.FileName(), c.loads ? QString(c.name) : QString("previous.smb")) << c.name;
        if (c.loads) {
            EXPECT_EQ(sm.Transferred(), 1032);
        } else {
            EXPECT_FALSE(sm.LastError().isEmpty()) << c.name;
        }
    }
}

TEST(SysModFile, ADirectoryDoesNotLoad)
{
    QTemporaryDir dir;
    TSysMod sm;
    sm.SetImageData(patterned());
    EXPECT_FALSE(sm.LoadFromFile(dir.path()));
    EXPECT_EQ(sm.ImageData(), patterned());
}

TEST(SysModFile, SaveSetsHeaderAndChecksumAndLoadsBack)
{
    QTemporaryDir dir;
    TSysMod sm;
    sm.SetImageData(patterned());
    const QString path = dir.filePath("out.smb");
    ASSERT_TRUE(sm.SaveToFile(path));
    EXPECT_EQ(sm.FileName(), "out.smb");
    EXPECT_EQ(sm.Transferred(), 1032);

    const QByteArray saved = readFile(path);
    ASSERT_EQ(saved.size(), 1032);
    EXPECT_EQ(sysmod::wordAt(saved, 0), 522);
    EXPECT_EQ(sysmod::wordAt(saved, 2), sysmod::wordAt(patterned(), 2));  // left as it was
    EXPECT_TRUE(sysmod::checksumValid(saved));

    TSysMod other;
    EXPECT_TRUE(other.LoadFromFile(path));
    EXPECT_EQ(other.ImageData(), saved);
}

TEST(SysModFile, FailedSaveKeepsTheOldFileAndSaysSo)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.smb");
    ASSERT_TRUE(writeFile(path, QByteArray(1032, '\x11')));

    TSysMod sm;
    EXPECT_FALSE(sm.SaveToFile(dir.filePath("no/such/dir/x.smb")));
    EXPECT_FALSE(sm.LastError().isEmpty());
    EXPECT_EQ(sm.FileName(), "CLEAR.smb");

    // A read-only folder: the old file stays whole, no temporary is left behind.
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool refused = !sm.SaveToFile(path);
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

    TSysMod sm;
    sm.SetDefaultFile(path);
    EXPECT_EQ(sm.DefaultName(), "werk");
    sm.LoadDefault();
    EXPECT_EQ(sm.FileName(), "werk.smb");
    EXPECT_EQ(sm.BaseName(), "werk");
    EXPECT_EQ(sysmod::wordAt(sm.ImageData(), 0), 522);
    EXPECT_EQ(sysmod::wordAt(sm.ImageData(), 2), 0);
    EXPECT_EQ(sm.ImageData().mid(4, 1026), content.mid(4, 1026));
    EXPECT_TRUE(sysmod::checksumValid(sm.ImageData()));
}

TEST(SysModFile, MissingOrBrokenDefaultGivesAValidEmptyImage)
{
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.filePath("broken.smb"), QByteArray(1000, '\x33')));
    for (const QString name : {"absent.smb", "broken.smb"}) {
        TSysMod sm;
        sm.SetImageData(patterned());
        sm.SetDefaultFile(dir.filePath(name));
        sm.LoadDefault();
        QByteArray expected(1032, '\0');
        expected[0] = 0x0A;
        expected[1] = 0x02;
        expected[1030] = 0x0B;
        EXPECT_EQ(sm.ImageData(), expected) << name.toStdString();
        EXPECT_EQ(sm.FileName(), name) << name.toStdString();
    }
}

TEST(SysModDescription, Version)
{
    QTemporaryDir dir;
    TSysMod sm;
    EXPECT_EQ(sm.DescriptionVersion(), "??");
    EXPECT_FALSE(sm.LoadDescription(dir.filePath("missing.sys")));
    EXPECT_EQ(sm.DescriptionVersion(), "??");

    ASSERT_TRUE(writeFile(dir.filePath("noversion.sys"), "[id]\nname=x\n"));
    EXPECT_TRUE(sm.LoadDescription(dir.filePath("noversion.sys")));
    EXPECT_EQ(sm.DescriptionVersion(), "??");

    ASSERT_TRUE(writeFile(dir.filePath("sysmod.sys"), "[ID]\nVersion=QRX 5.22\n"));
    EXPECT_TRUE(sm.LoadDescription(dir.filePath("sysmod.sys")));
    EXPECT_EQ(sm.DescriptionVersion(), "QRX 5.22");
}

TEST(SysModDescribe, FloorsDoorsAndCalls)
{
    TSysMod sm;
    sm.SetByte(154, 7);
    sm.SetByte(568, 3);
    sm.SetByte(568 + 39, 2);
    sm.SetByte(176 + 4 * 2, 0x34);
    sm.SetByte(177 + 4 * 2, 0x12);
    sm.SetByte(178 + 4 * 2, 0x78);
    sm.SetByte(179 + 4 * 2, 0x56);
    sm.SetByte(176 + 4 * 40, 0x99);  // beyond the last floor's entry

    EXPECT_EQ(sm.DescribeKo(), 7);
    EXPECT_EQ(sm.DescribeTurfkt(0), 3);
    EXPECT_EQ(sm.DescribeTurfkt(39), 2);
    EXPECT_EQ(sm.DescribeTurfkt(40), 0);
    EXPECT_EQ(sm.DescribeTurfkt(-1), 0);
    EXPECT_EQ(sm.DescribeAnfModel(2), 0x56781234u);
    EXPECT_EQ(sm.DescribeAnfModel(40), 0u);

    sm.SetByte(154, 200);  // a garbage file must not ask for 201 floors
    EXPECT_EQ(sm.DescribeKo(), 39);
}

TEST(SysModDelivered, DefaultFileIsTheSampleInstallation)
{
    const QString root = HALTRON_SOURCE_DIR;
    TSysMod sm;
    sm.StartUp(root + "/data/sysmod.sys", root + "/data/files/default.smb");
    EXPECT_EQ(sm.ImageData(), sysmod::makeSampleImage({}));
    EXPECT_NE(sm.DescriptionVersion(), "??");
    EXPECT_EQ(sm.FileName(), "default.smb");

    // Six floors, through-loading at the ground floor, calls matching the doors.
    ASSERT_EQ(sm.DescribeKo(), 5);
    EXPECT_EQ(sm.DescribeTurfkt(0), 3);
    EXPECT_EQ(sm.DescribeAnfModel(0) & 0x1E00, 0x0A00u);  // up only, both sides
    for (int floor = 1; floor < 5; ++floor) {
        EXPECT_EQ(sm.DescribeTurfkt(floor), 1);
        EXPECT_EQ(sm.DescribeAnfModel(floor) & 0x1E00, 0u);  // up and down on side A
    }
    EXPECT_EQ(sm.DescribeAnfModel(5) & 0x1E00, 0x0400u);  // down only
    EXPECT_EQ(sm.DescribeTurfkt(6), 0);
}

TEST(SysModDelivered, DescriptionMatchesTheLayout)
{
    TSysMod sm;
    ASSERT_TRUE(sm.LoadDescription(QString(HALTRON_SOURCE_DIR) + "/data/sysmod.sys"));
    EXPECT_FALSE(sm.DescribedParameters().contains("id", Qt::CaseInsensitive));
    EXPECT_EQ(sm.ParameterOffset("ko"), sysmod::kKoOffset);
    EXPECT_EQ(sm.ParameterOffset("Anf_model"), sysmod::kAnfModelOffset);
    EXPECT_EQ(sm.ParameterOffset("turfkt"), sysmod::kTurfktOffset);
    EXPECT_EQ(sm.ParameterOffset("Pruefsumme"), sysmod::kChecksumOffset);
    EXPECT_EQ(sm.ParameterOffset("nicht da"), -1);
    for (const QString &name : sm.DescribedParameters()) {
        EXPECT_FALSE(sm.DescribeParameter(name).longName.isEmpty()) << name.toStdString();
        EXPECT_FALSE(sm.DescribeParameter(name).hint.isEmpty()) << name.toStdString();
        EXPECT_GE(sm.ParameterOffset(name), 0) << name.toStdString();
        EXPECT_LT(sm.ParameterOffset(name), sysmod::kImageSize) << name.toStdString();
    }
    EXPECT_EQ(sm.DescribeParameter("ko").longName, "Oberste Haltestelle");

    sm.SetDescriptionKeys("langname", "hinweis");  // keys the file does not use
    EXPECT_TRUE(sm.DescribeParameter("ko").longName.isEmpty());
}
