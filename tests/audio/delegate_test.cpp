// The audio device under the game delegate: the delegate makes it the
// global device at start, and a suspend pauses the sound only after the
// application has reacted, a resume restarts it before the application
// hears of it. Driven through the host on the scripted window layer with the
// recording OpenGL and OpenAL fakes, using the framework tests' fixture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/framework/framework_fixture.h"

namespace {

// Notes what OpenAL says about channel 0 while the application handles a
// suspend or a resume.
class ListeningApp : public TestApp {
public:
    static inline std::vector<ALint> heard;

    int p_OnSuspend() override {
        Hear();
        return TestApp::p_OnSuspend();
    }
    int p_OnResume() override {
        Hear();
        return TestApp::p_OnResume();
    }

private:
    static void Hear() {
        const fakeal::Source* s = fakeal::SourceAt(bb_audio_device->channels[0].source);
        heard.push_back(s ? s->state : 0);
    }
};

class DelegateAudioTest : public FrameworkTest {};

}  // namespace

TEST_F(DelegateAudioTest, SoundPausesAfterTheApplicationSuspendsAndResumesBeforeItResumes) {
    ListeningApp::heard.clear();
    (new ListeningApp())->m_new();
    host_->StartGame();
    ASSERT_NE(bb_audio_device, nullptr);
    EXPECT_EQ(bb_audio_device, bb_app__delegate->m__audio);

    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    bb_audio_device->PlaySample(new gxtkSample(buffer), 0, 1);
    const fakeal::Source* source = fakeal::SourceAt(bb_audio_device->channels[0].source);
    ASSERT_NE(source, nullptr);

    host_->SuspendGame();
    EXPECT_EQ(source->state, AL_PAUSED);
    host_->ResumeGame();
    EXPECT_EQ(source->state, AL_PLAYING);
    // Playing while the application suspended; playing again by the time it
    // resumed.
    EXPECT_EQ(ListeningApp::heard, (std::vector<ALint>{AL_PLAYING, AL_PLAYING}));
    EXPECT_EQ(bb_audio_device->ChannelState(0), 1);
}
