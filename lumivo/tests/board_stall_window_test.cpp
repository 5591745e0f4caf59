// SPDX-License-Identifier: GPL-2.0-or-later
// A board that stops taking bytes in the middle of a send: the window's send
// ends within its bound with the reason, Escape ends it at once, and the
// window stays usable. Its own CTest entry: the full bound is three tries.
#include "board_window_util.h"

#include "app/commands.h"
#include "ui/main_frame.h"
#include "ui/user_image_dlg.h"

#include <QElapsedTimer>
#include <QPushButton>

namespace {

constexpr BYTE kSendImages = 0x49;
constexpr int kSendTimeoutMs = 10000, kSendTries = 3;
constexpr size_t kStopReadingAfter = 4000;

} // namespace

class BoardStallWindow : public BoardWindowTest {
protected:
    // Connected to a board that takes the connection's requests, then stops
    // reading: user images of noise (which does not compress) fill the
    // terminal and the send stalls.
    void ConnectToHangingBoard()
    {
        if (sim) {
            sim->Stop();
            sim.reset();
        }
        boardsim::Options o;
        o.stopReadingAfter = kStopReadingAfter;
        StartLinked(o);
        ASSERT_TRUE(KeyJob(Qt::Key_F5));
        ASSERT_TRUE(Board()->IsConnected()) << messages.join('|').toStdString();
        if (Doc()->Core().UserImageCount() == 0) {
            std::vector<CRGX<8192>> images(6);
            uint32_t noise = 12345;
            for (CRGX<8192>& image : images) {
                image.header.width = 128;
                image.header.height = 32;
                image.header.frames = 1;
                for (unsigned char& byte : image.data) {
                    noise = noise * 1103515245u + 12345u;
                    byte = static_cast<unsigned char>(noise >> 24);
                }
            }
            ASSERT_TRUE(Doc()->ReplaceUserImages(images));
        }
        std::vector<uint8_t> blob;
        ASSERT_TRUE(Doc()->PackUserImages(blob));
        ASSERT_GT(blob.size(), 30000u) << "the send must not fit the terminal's buffers";
        blobSize = blob.size();
    }
    // F8, then Send in the user images dialog.
    void StartSend()
    {
        WhenModal([](QWidget* w) {
            auto* dlg = qobject_cast<CUserImageDlg*>(w);
            ASSERT_NE(dlg, nullptr);
            ASSERT_TRUE(dlg->SendButton()->isEnabled());
            QTest::mouseClick(dlg->SendButton(), Qt::LeftButton);
        });
        Activate();
        QTest::keyClick(Frame(), Qt::Key_F8);
    }
    size_t blobSize = 0;
};

TEST_F(BoardStallWindow, StalledSendEndsWithinItsBoundWithTheReason)
{
    ConnectToHangingBoard();
    const std::vector<uint8_t> before = Doc()->Core().Serialize();

    // Every try is lost to the stalled write, then the reason is given. Each
    // try's write runs to its own limit on the link's clock, so the whole
    // lasts at least the tries' limits; the upper bound only tells a stop
    // from a hang or a try too many: the rest of the time is the window's,
    // and a loaded machine stretches it.
    const int64_t perTry = kSendTimeoutMs + Frame()->Packet().LineTimeMs(blobSize + serio::kFrameOverhead);
    retries = 0;
    retryTexts.clear();
    messages.clear();
    QSignalSpy done(Board(), &CBoardActions::jobFinished);
    QElapsedTimer clock;
    clock.start();
    StartSend();
    ASSERT_TRUE(done.wait(int((kSendTries + 2) * perTry)));
    EXPECT_GE(clock.elapsed(), kSendTries * perTry - 100);
    EXPECT_LT(clock.elapsed(), (kSendTries + 1) * perTry) << "no more than the tries' limits and the window's own work";
    EXPECT_EQ(Requests(kSendImages), 0); // the board never saw a whole request
    const QString said = (retryTexts + messages).join('|');
    EXPECT_TRUE(said.contains(QStringLiteral("sending the user images: the device stopped taking data")))
        << said.toStdString();
    EXPECT_EQ(Doc()->Core().Serialize(), before);

    // The window is usable: disconnecting ends within its own bound.
    if (Board()->IsConnected()) {
        clock.restart();
        ASSERT_TRUE(KeyJob(Qt::Key_F5, Qt::ShiftModifier, 10000));
        EXPECT_LT(clock.elapsed(), 4000);
    }
    EXPECT_FALSE(Board()->IsConnected());
    EXPECT_TRUE(Enabled(lumivo::cmd::kCommConnect));
}

// Escape during the stalled write ends the send at once.
TEST_F(BoardStallWindow, EscapeEndsAStalledSendAtOnce)
{
    ConnectToHangingBoard();
    const std::vector<uint8_t> before = Doc()->Core().Serialize();
    QSignalSpy done(Board(), &CBoardActions::jobFinished);
    StartSend();
    // The board has stopped taking bytes and the write waits on a full
    // line, with its progress window up.
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim->BytesRead() >= kStopReadingAfter && ProgressWindow(); }, 30000));
    ASSERT_TRUE(Board()->IsBusy());
    QElapsedTimer clock;
    clock.start();
    // Escape where the keyboard is: the progress window, or the main window.
    QTest::keyClick(QApplication::activeWindow() ? QApplication::activeWindow() : Frame(), Qt::Key_Escape);
    ASSERT_TRUE(done.wait(kSendTries * kSendTimeoutMs));
    // Well inside the stalled write's own limit: the send did not wait for
    // it, only for the closing command's short bound.
    EXPECT_LT(clock.elapsed(), kSendTimeoutMs / 2);
    EXPECT_FALSE(Board()->IsConnected());
    EXPECT_TRUE(Enabled(lumivo::cmd::kCommConnect));
    EXPECT_EQ(Doc()->Core().Serialize(), before);
}
