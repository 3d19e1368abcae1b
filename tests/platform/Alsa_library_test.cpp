// The sequencer library opened at first use, with every function the MIDI output calls.
#include "platform/Alsa_library.h"
#include "platform/Midi_output.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace wk::platform {
namespace {

TEST(Alsa_library, OpensWithEveryFunctionTheOutputCallsAndItsOutputIsThereToPlay)
{
    // A name missing from the library would leave every machine with the silent output.
    const Alsa_library* alsa = Alsa_library::Get();
    ASSERT_NE(alsa, nullptr);
    EXPECT_STREQ(alsa->snd_strerror(-ENOENT), std::strerror(ENOENT));
    // With or without a sequencer port here, the output made opens and takes a note.
    auto output = Create_midi_output();
    ASSERT_TRUE(output->Open(-1));
    EXPECT_TRUE(output->Send_short(0x7F3C90));
    output->Close();
}

} // namespace
} // namespace wk::platform
