#include "ParameterSet.h"

#include <QFile>

namespace sysmod {

void ParameterSet::create()
{
    clear();
    setFileNames(QStringLiteral("CLEAR"));
    m_transfer = nullptr;
}

void ParameterSet::loadFromQRx(TextCallback onSuccess, TextCallback onFailure, TextCallback onStatus, ProgressCallback onProgress)
{
    if (m_transfer)
        m_transfer->loadFromQRx(std::move(onSuccess), std::move(onFailure), std::move(onStatus), std::move(onProgress));
    else
        notLinked(std::move(onSuccess), std::move(onFailure), std::move(onStatus), std::move(onProgress));
}

void ParameterSet::saveToQRx(TextCallback onSuccess, TextCallback onFailure, TextCallback onStatus, ProgressCallback onProgress)
{
    if (m_transfer)
        m_transfer->saveToQRx(std::move(onSuccess), std::move(onFailure), std::move(onStatus), std::move(onProgress));
    else
        notLinked(std::move(onSuccess), std::move(onFailure), std::move(onStatus), std::move(onProgress));
}

void ParameterSet::clear()
{
    m_image.fill('\0', ImageSize);
}

void ParameterSet::initHeader()
{
    setWordAt(m_image, 0, FormatWord);
    setWordAt(m_image, 2, 0);
}

quint32 ParameterSet::updateChecksum()
{
    const quint32 sum = checksumOf(m_image);
    setWordAt(m_image, ChecksumOffset, quint16(sum));
    return sum;
}

bool ParameterSet::setImageData(const QByteArray &image)
{
    if (image.size() != ImageSize) return false;
    m_image = image;
    return true;
}

quint8 ParameterSet::getByte(int i) const
{
    return i >= 0 && i < ImageSize ? quint8(m_image[i]) : 0;
}

void ParameterSet::setByte(int i, quint8 b)
{
    if (i >= 0 && i < ImageSize) m_image[i] = char(b);
}

void ParameterSet::setFileNames(const QString &path)
{
    // Both separators are accepted: names typed or stored on either platform.
    const int cut = std::max({path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')),
                              path.lastIndexOf(QLatin1Char(':'))});
    m_fileName = path.mid(cut + 1);
    if (!m_fileName.contains(QLatin1Char('.'))) m_fileName += QStringLiteral(".smb");
    m_baseName = m_fileName.left(m_fileName.indexOf(QLatin1Char('.')));
}

bool ParameterSet::loadFromFile(const QString &path)
{
    m_transferred = 0;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_lastError = file.errorString();
        return false;
    }
    // One byte more than an image tells a long file from a whole one.
    const QByteArray data = file.read(ImageSize + 1);
    m_transferred = int(std::max<qsizetype>(0, data.size()));
    if (data.size() != ImageSize) {
        m_lastError = QStringLiteral("%1: %2 bytes, expected %3").arg(path).arg(data.size()).arg(ImageSize);
        return false;
    }
    m_image = data;
    setFileNames(path);
    m_lastError.clear();
    return true;
}

bool ParameterSet::saveToFile(const QString &path)
{
    setWordAt(m_image, 0, FormatWord);
    updateChecksum();
    m_transferred = 0;
    m_lastWrite = core::writeFileWhole(path, m_image);
    if (!m_lastWrite.ok()) {
        m_lastError = core::WriteFaultTexts().reason(m_lastWrite);
        return false;
    }
    m_transferred = ImageSize;
    setFileNames(path);
    m_lastError.clear();
    return true;
}

void ParameterSet::setDefaultFile(const QString &path)
{
    m_defaultPath = path;
    const int cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const QString name = path.mid(cut + 1);
    m_defaultName = name.left(std::max<qsizetype>(0, name.size() - 4));
}

void ParameterSet::loadDefault()
{
    clear();
    loadFromFile(m_defaultPath);
    setFileNames(m_defaultName);
    initHeader();
    updateChecksum();
}

void ParameterSet::startUp(const QString &descriptionPath, const QString &defaultPath)
{
    loadDescription(descriptionPath);
    setDefaultFile(defaultPath);
    loadDefault();
}

bool ParameterSet::loadDescription(const QString &path)
{
    return m_description.load(path);
}

QString ParameterSet::descriptionVersion() const
{
    const QString version = m_description.readString(QStringLiteral("id"), QStringLiteral("version"));
    return version.isEmpty() ? QStringLiteral("??") : version;
}

void ParameterSet::setDescriptionKeys(const QString &longNameKey, const QString &hintKey)
{
    m_longNameKey = longNameKey;
    m_hintKey = hintKey;
}

QStringList ParameterSet::describedParameters() const
{
    QStringList names = m_description.sections();
    names.removeIf([](const QString &s) { return s.compare(QStringLiteral("id"), Qt::CaseInsensitive) == 0; });
    return names;
}

ParameterSet::ParameterText ParameterSet::describeParameter(const QString &name) const
{
    return {m_description.readString(name, m_longNameKey), m_description.readString(name, m_hintKey)};
}

int ParameterSet::parameterOffset(const QString &name) const
{
    return m_description.readInteger(name, QStringLiteral("offset"), -1);
}

quint8 ParameterSet::describeTopFloor() const
{
    return std::min<quint8>(getByte(TopFloorOffset), MaxFloors - 1);
}

quint8 ParameterSet::describeTurfkt(int i) const
{
    return i >= 0 && i < MaxFloors ? getByte(DoorFunctionOffset + i) : 0;
}

quint32 ParameterSet::describeAnfModel(int i) const
{
    if (i < 0 || i >= MaxFloors) return 0;
    const int at = CallModelOffset + 4 * i;
    return wordAt(m_image, at) | quint32(wordAt(m_image, at + 2)) << 16;
}

void ParameterSet::notLinked(TextCallback onSuccess, TextCallback onFailure, TextCallback onStatus,
                        ProgressCallback onProgress)
{
    Q_UNUSED(onSuccess);
    Q_UNUSED(onProgress);
    const QString text = QStringLiteral("nicht gelinkt!!");
    if (onFailure) onFailure(text);
    if (onStatus) onStatus(text);
}

ParameterSet &sysMod()
{
    static ParameterSet instance;
    return instance;
}

}  // namespace sysmod
