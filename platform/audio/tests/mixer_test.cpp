#include <gtest/gtest.h>

#include "audio/mixer.h"
#include "audio/testing/fake_mixer.h"

using namespace vantry::audio;

TEST(Mixer, VolumeControlsAreFoundOnAnOpenMixerAndValuesKept) {
    FakeMixer mixer;
    MixerControl mic;
    EXPECT_FALSE(GetVolumeControl(mixer, kComponentSrcMicrophone, kControlTypeVolume, mic));
    ASSERT_TRUE(mixer.Open(0));
    ASSERT_TRUE(GetVolumeControl(mixer, kComponentSrcMicrophone, kControlTypeVolume, mic));
    EXPECT_EQ(mic.maximum, 65535u);
    MixerControl speakers;
    ASSERT_TRUE(GetVolumeControl(mixer, kComponentDstSpeakers, kControlTypeVolume, speakers));
    EXPECT_TRUE(SetVolumeControl(mixer, mic, 21845));
    EXPECT_TRUE(SetVolumeControl(mixer, speakers, 70000));  // clamped to the range
    EXPECT_EQ(mixer.Value(kComponentSrcMicrophone), 21845);
    EXPECT_EQ(mixer.Value(kComponentDstSpeakers), 65535);
    EXPECT_EQ(mixer.SetCount(), 2);
}

TEST(Mixer, MissingLineOrControlFailsAndLeavesTheRecordUntouched) {
    FakeMixer mixer;
    mixer.RemoveLine(kComponentSrcMicrophone);
    mixer.AddLine(kComponentDstSpeakers, false);
    ASSERT_TRUE(mixer.Open(0));
    MixerControl out;
    out.name = "untouched";
    out.controlId = 77;
    EXPECT_FALSE(GetVolumeControl(mixer, kComponentSrcMicrophone, kControlTypeVolume, out));
    EXPECT_FALSE(GetVolumeControl(mixer, kComponentDstSpeakers, kControlTypeVolume, out));
    mixer.AddLine(kComponentSrcMicrophone, true);
    EXPECT_FALSE(GetVolumeControl(mixer, kComponentSrcMicrophone, 0x12345678, out));
    EXPECT_EQ(out.name, "untouched");
    EXPECT_EQ(out.controlId, 77u);
}

TEST(Mixer, NoMixerOrARefusingMixerFails) {
    FakeMixer none;
    none.SetOpenFails(true);
    EXPECT_FALSE(none.Open(0));
    EXPECT_FALSE(none.IsOpen());
    MixerControl c;
    EXPECT_FALSE(GetVolumeControl(none, kComponentDstSpeakers, kControlTypeVolume, c));

    FakeMixer refusing;
    ASSERT_TRUE(refusing.Open(0));
    ASSERT_TRUE(GetVolumeControl(refusing, kComponentDstSpeakers, kControlTypeVolume, c));
    refusing.SetRefuseValues(true);
    EXPECT_FALSE(SetVolumeControl(refusing, c, 100));
    EXPECT_EQ(refusing.Value(kComponentDstSpeakers), -1);
}
