#include "audio/recording_format.h"

namespace vantry::audio {

const std::vector<RecordingFormat>& RecordingFormats() {
    static const std::vector<RecordingFormat> formats = {
        {QStringLiteral("PCM 8 kHz, 8 Bit, Mono"), 8000, 1, 8},
        {QStringLiteral("PCM 8 kHz, 16 Bit, Mono"), 8000, 1, 16},
        {QStringLiteral("PCM 11 kHz, 8 Bit, Mono"), 11025, 1, 8},
        {QStringLiteral("PCM 11 kHz, 16 Bit, Mono"), 11025, 1, 16},
        {QStringLiteral("PCM 16 kHz, 16 Bit, Mono"), 16000, 1, 16},
        {QStringLiteral("PCM 22 kHz, 16 Bit, Mono"), 22050, 1, 16},
        {QStringLiteral("PCM 44 kHz, 16 Bit, Mono"), 44100, 1, 16},
        {QStringLiteral("PCM 44 kHz, 16 Bit, Stereo"), 44100, 2, 16},
        // Speech codecs. Names stored by earlier versions above keep working.
        {QStringLiteral("GSM 6.10, 8 kHz, Mono"), 8000, 1, 16, Encoding::Gsm610},
        {QStringLiteral("IMA ADPCM, 8 kHz, 4 Bit, Mono"), 8000, 1, 16, Encoding::ImaAdpcm},
    };
    return formats;
}

const RecordingFormat& PreferredRecordingFormat() {
    return RecordingFormats()[8];
}

const RecordingFormat* FindRecordingFormat(const QString& name) {
    const QString wanted = name.trimmed();
    for (const RecordingFormat& f : RecordingFormats()) {
        if (f.name.compare(wanted, Qt::CaseInsensitive) == 0) {
            return &f;
        }
    }
    return nullptr;
}

QString RecordingFormatList() {
    QString list;
    for (const RecordingFormat& f : RecordingFormats()) {
        list += f.name;
        list += QLatin1Char('\t');
    }
    return list;
}

}  // namespace vantry::audio
