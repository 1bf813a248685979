#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/test_app.h"

namespace {

// A frame whose pump reports the quit request once, after a number of
// pumps, and counts them.
class CQuittingFrame : public CRecordingStatusSink {
public:
    int quitAfter = 0;
    std::atomic<int> pumps{0};
    bool PumpMessages() override { return ++pumps != quitAfter; }
};

}  // namespace

TEST_F(AppTest, NestedBusyLevelsAndCancel)
{
    app->SetBusy(false);  // a leave without an enter does not count below 0
    app->SetBusy(true);
    app->SetBusy(true);
    EXPECT_TRUE(app->OnUpdateFileCancel());
    app->OnFileCancel();
    EXPECT_FALSE(app->IsNotCanceled(false));
    EXPECT_EQ(frame.GetLastStatus(), "Canceling...");
    app->SetBusy(false);
    EXPECT_EQ(app->GetCancelState(false), CS_CANCELLED) << "a cancel stays until the outermost level ends";
    app->SetBusy(false);
    EXPECT_EQ(app->GetCancelState(false), CS_IDLE);
    EXPECT_NE(LogText().find("]User Canceled\n"), std::string::npos);

    // Status texts before the frame exists answer cancel.
    app->SetMainFrame(nullptr);
    EXPECT_EQ(app->SetStatusText("x"), 0);
    EXPECT_EQ(app->UploadProgress(true, 10, 1), 0);
}

TEST_F(AppTest, AQuitSeenWhilePumpingCancelsAndAWorkerIsWaitedFor)
{
    CQuittingFrame quitting;
    quitting.quitAfter = 3;
    app->SetMainFrame(&quitting);
    app->SetBusy(true);
    std::atomic<bool> release{false}, finished{false};
    std::atomic<int> code{0};
    std::thread worker([&] {
        // The worker goes on after the cancel and only ends when told.
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        code = 7;
        finished = true;
    });
    std::thread releaser([&] {
        while (quitting.pumps < 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        release = true;
    });
    EXPECT_EQ(app->WaitForThread(worker, finished, code), 7);
    releaser.join();
    EXPECT_FALSE(worker.joinable());
    EXPECT_EQ(app->GetCancelState(false), CS_CANCELLED);
    EXPECT_GE(quitting.pumps.load(), 10) << "pumping went on after the cancel";
    app->SetBusy(false);
    EXPECT_EQ(app->GetCancelState(false), CS_IDLE);
}

TEST_F(AppTest, WorkersNeverPumpTheWindows)
{
    CQuittingFrame quitting;
    quitting.quitAfter = 1;
    app->SetMainFrame(&quitting);
    int fromWorker = -1;
    std::thread([&] { fromWorker = app->PumpMessages(); }).join();
    EXPECT_EQ(fromWorker, 1);
    EXPECT_EQ(quitting.pumps.load(), 0);
    EXPECT_EQ(app->PumpMessages(), 0);
    EXPECT_EQ(app->GetCancelState(false), CS_CANCELLED);
}
