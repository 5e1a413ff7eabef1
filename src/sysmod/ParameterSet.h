#pragma once

#include "core/FileWrite.h"
#include "core/IniFile.h"
#include "sysmod/ParameterSetCodec.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace sysmod {

using TextCallback = std::function<void(const QString &)>;
using ProgressCallback = std::function<void(int count)>;
// The transfer of the image with the controller, as the set starts it. Each
// start returns at once; exactly one of onSuccess / onFailure ends it.
class ImageTransfer {
public:
    virtual ~ImageTransfer() = default;
    virtual void loadFromQRx(TextCallback onSuccess, TextCallback onFailure, TextCallback onStatus,
                             ProgressCallback onProgress) = 0;
    virtual void saveToQRx(TextCallback onSuccess, TextCallback onFailure, TextCallback onStatus,
                           ProgressCallback onProgress) = 0;
};

// The controller's parameter set (the 1032-byte system module image), its
// ".smb" files and the version of its description file.
class ParameterSet {
public:
    ParameterSet() { create(); }

    // Zero image, names from "CLEAR", both transfer slots not linked.
    void create();
    void clear();
    void initHeader();
    // Stores the low 16 bits at offset 1030 and returns the full sum.
    quint32 updateChecksum();

    static constexpr int imageSize() { return ImageSize; }
    const QByteArray &imageData() const { return m_image; }
    // Replaces the whole image; false (image untouched) unless exactly 1032 bytes.
    bool setImageData(const QByteArray &image);
    // Out-of-range reads give 0, out-of-range writes are ignored.
    quint8 getByte(int i) const;
    void setByte(int i, quint8 b);

    void setFileNames(const QString &path);
    // True only for a readable file of exactly 1032 bytes; anything else leaves
    // the image and the names as they were.
    bool loadFromFile(const QString &path);
    // Sets the format word and checksum, then writes through a temporary file,
    // so a failed save leaves any earlier file whole. lastError() says why.
    bool saveToFile(const QString &path);

    // The default file's full path; its name without the last four characters
    // becomes the default name.
    void setDefaultFile(const QString &path);
    // Zero image, the default file over it when it loads, default names, valid header.
    void loadDefault();
    // Start-up: the description file and the default image.
    void startUp(const QString &descriptionPath, const QString &defaultPath);

    // Reads the description file ("sysmod.sys"); false when it could not be read.
    bool loadDescription(const QString &path);
    QString descriptionVersion() const;
    // The description's key names for a parameter's long name and hint
    // (the INI's sys_ln and sys_hint; "lnd" and "hint" unless set).
    void setDescriptionKeys(const QString &longNameKey, const QString &hintKey);
    struct ParameterText {
        QString longName, hint;
    };
    // The described parameters (every section but "id"), in file order.
    QStringList describedParameters() const;
    ParameterText describeParameter(const QString &name) const;
    // Where a described parameter starts in the image; -1 when not described.
    int parameterOffset(const QString &name) const;

    // Top floor number, at most 39.
    quint8 describeTopFloor() const;
    // Door function of floor i (bit 0 side A, bit 1 side B); 0 beyond floor 39.
    quint8 describeTurfkt(int i) const;
    // Word a in the low, word s in the high 16 bits; 0 beyond floor 39.
    quint32 describeAnfModel(int i) const;

    QString fileName() const { return m_fileName; }
    QString baseName() const { return m_baseName; }
    QString defaultName() const { return m_defaultName; }
    int transferred() const { return m_transferred; }
    QString lastError() const { return m_lastError; }
    // Why the last save failed (none after a good one).
    const core::WriteOutcome &lastWrite() const { return m_lastWrite; }

    // Not linked until the start-up wiring plugs the transfer in (create() takes it out again).
    void setTransfer(ImageTransfer *transfer) { m_transfer = transfer; }
    void loadFromQRx(TextCallback onSuccess, TextCallback onFailure, TextCallback onStatus, ProgressCallback onProgress);
    void saveToQRx(TextCallback onSuccess, TextCallback onFailure, TextCallback onStatus, ProgressCallback onProgress);

    static void notLinked(TextCallback onSuccess, TextCallback onFailure, TextCallback onStatus,
                          ProgressCallback onProgress);

private:
    ImageTransfer *m_transfer = nullptr;
    QByteArray m_image = QByteArray(ImageSize, '\0');
    int m_transferred = 0;
    QString m_fileName;
    QString m_baseName;
    QString m_defaultName;
    QString m_defaultPath;
    QString m_lastError;
    core::WriteOutcome m_lastWrite;
    core::IniFile m_description;
    QString m_longNameKey = QStringLiteral("lnd");
    QString m_hintKey = QStringLiteral("hint");
};

// The program's one system module object.
ParameterSet &sysMod();

}  // namespace sysmod
