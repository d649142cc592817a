#include "export/VideoOutput.h"
#include "tests/export/log_capture.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace tarnvik;
using tarnvik::test::LogCapture;

namespace {

struct Answers {
    int setDisplayMode = 0;
    int begin = 0;
};

// Records each call, prefixed with the output's place in the list.
class FakeOutput : public VideoOutput {
public:
    FakeOutput(int index, Answers answers, std::vector<std::string>* calls)
        : index(index), answers_(answers), calls_(calls) {}
    void setClientName(const std::string& name) override { record("name " + name); }
    int setDisplayMode(int mode) override { return record("mode " + std::to_string(mode)), answers_.setDisplayMode; }
    int begin() override { return record("begin"), answers_.begin; }
    int writeFrame(const std::uint8_t*, std::size_t) override { return 0; }
    void end() override {}
    const int index;

private:
    void record(const std::string& what) { calls_->push_back(std::to_string(index) + " " + what); }
    Answers answers_;
    std::vector<std::string>* calls_;
};

TEST(VideoOutputSelection, TriesEachInTurn) {
    const std::optional<Answers> unopened, ok = Answers{};
    const struct {
        const char* what;
        std::vector<std::optional<Answers>> outputs;
        int begun; // the output returned; -1 for none
        std::vector<std::string> calls;
        QStringList log;
    } cases[] = {
        {"the first refuses the mode", {Answers{-22, 0}, ok}, 1,
         {"0 name Tarnvik", "0 mode 2", "1 mode 2", "1 begin"}, {"QTVideoOutputBegin error : -22"}},
        {"the first fails to begin", {Answers{0, -5}, ok}, 1,
         {"0 name Tarnvik", "0 mode 2", "0 begin", "1 mode 2", "1 begin"}, {"QTVideoOutputBegin error : -5"}},
        {"the first does not open: the second is named", {unopened, ok}, 1,
         {"1 name Tarnvik", "1 mode 2", "1 begin"}, {}},
        {"the first begins", {ok, ok}, 0, {"0 name Tarnvik", "0 mode 2", "0 begin"}, {}},
        {"none begins", {Answers{-22, 0}, Answers{0, -16}}, -1,
         {"0 name Tarnvik", "0 mode 2", "1 mode 2", "1 begin"},
         {"QTVideoOutputBegin error : -22", "QTVideoOutputBegin error : -16",
          "Video out component creation failed (error -16)"}},
        {"none opens", {unopened, unopened}, -1, {}, {"Video out component creation failed (error -19)"}},
        {"nothing to try", {}, -1, {}, {"Video out component creation failed (error -19)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> calls;
        std::vector<VideoOutputOpener> openers;
        for (int i = 0; i < int(c.outputs.size()); ++i)
            openers.push_back([&, i]() -> std::unique_ptr<VideoOutput> {
                return c.outputs[i] ? std::make_unique<FakeOutput>(i, *c.outputs[i], &calls) : nullptr;
            });
        LogCapture log;
        const std::unique_ptr<VideoOutput> output = beginVideoOutput(openers, kDisplayModePAL, "Tarnvik");
        const auto* fake = dynamic_cast<const FakeOutput*>(output.get());
        EXPECT_EQ(fake ? fake->index : -1, c.begun);
        EXPECT_EQ(calls, c.calls);
        EXPECT_EQ(LogCapture::lines(), c.log);
    }
}

} // namespace
