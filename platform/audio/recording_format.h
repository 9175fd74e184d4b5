#pragma once
// Named recording formats the wave device can record in.
//
// Usage:
//   const auto* fmt = vantry::audio::FindRecordingFormat(name);   // case-blind
//   device.setRecordingFormat(fmt ? *fmt : vantry::audio::PreferredRecordingFormat());
//   QString list = vantry::audio::RecordingFormatList();   // the system's format list text
//
// The list text joins the names with a tab after each name, so a name search in it
// (as the start-up code does with the preferred name) cannot match across two names.

#include <QString>
#include <vector>

namespace vantry::audio {

// How the samples are written into the wave file.
enum class Encoding { Pcm, Gsm610, ImaAdpcm };

struct RecordingFormat {
    QString name;       // e.g. "PCM 16 kHz, 16 Bit, Mono"
    int sampleRate;     // frames per second
    int channels;       // 1 or 2
    int bitsPerSample;  // PCM: 8 or 16 (what the wave file holds); 16 for the codecs
    Encoding encoding = Encoding::Pcm;
};

// Every format offered, in a fixed order.
const std::vector<RecordingFormat>& RecordingFormats();

// The format our recordings use unless the user picked another: GSM 6.10 at 8 kHz, the
// telephone speech codec, about 1.6 KB a second, so a minute uploads in a dozen
// 8 KB chunks (16 kHz PCM needed over two hundred).
const RecordingFormat& PreferredRecordingFormat();

// The format whose name equals `name` without regard to case (surrounding blanks
// ignored); nullptr when there is none.
const RecordingFormat* FindRecordingFormat(const QString& name);

// All names, each followed by a tab.
QString RecordingFormatList();

}  // namespace vantry::audio
