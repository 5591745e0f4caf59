// SPDX-License-Identifier: BSD-2-Clause
// The frame format and the receive state machine, without a port.
#include "link_fixture.h"

#include <serio/frame.h>
#include <serio/packet.h>

#include <numeric>

using serio::BuildFrame;
using serio::CFrameReceiver;

namespace {

std::vector<BYTE> Frame(BYTE cmd, std::vector<BYTE> payload = {})
{
    return BuildFrame(cmd, payload.data(), static_cast<DWORD>(payload.size()));
}

} // namespace

TEST(Frame, LayoutAndChecksumOfTheDocumentedExamples)
{
    EXPECT_EQ((std::vector<BYTE>{0xAA, 0x45, 0, 0, 0, 0, 0x45}), Frame(0x45));
    EXPECT_EQ((std::vector<BYTE>{0xAA, 0x54, 3, 0, 0, 0, 1, 2, 3, 0x5D}), Frame(0x54, {1, 2, 3}));
    // Length bytes count in the checksum, least significant first.
    std::vector<BYTE> big(0x0102, 0);
    const auto f = Frame(0x10, big);
    EXPECT_EQ(0x02, f[2]);
    EXPECT_EQ(0x01, f[3]);
    EXPECT_EQ(static_cast<BYTE>(0x10 + 0x02 + 0x01), f.back());
}

TEST(FrameReceiver, AssemblesFramesFromSingleBytesAfterNoise)
{
    CFrameReceiver rx(16);
    std::vector<BYTE> stream = {0x00, 0x13, 0xFF, 0x55};
    const auto first = Frame(0x73, {9, 8, 7, 6});
    const auto second = Frame(0xFC);
    stream.insert(stream.end(), first.begin(), first.end());
    stream.insert(stream.end(), second.begin(), second.end());

    size_t frames = 0;
    std::vector<BYTE> firstPayload;
    for (BYTE b : stream) {
        const size_t done = rx.Feed(&b, 1);
        if (done && frames == 0)
            firstPayload.assign(rx.Buffer(), rx.Buffer() + rx.PacketLength());
        frames += done;
    }
    EXPECT_EQ(2u, frames);
    EXPECT_EQ((std::vector<BYTE>{9, 8, 7, 6}), firstPayload);
    // The zero-length frame sets the length to 0 and leaves the buffer alone.
    EXPECT_EQ(0xFC, rx.Command());
    EXPECT_EQ(0u, rx.PacketLength());
    EXPECT_EQ(9, rx.Buffer()[0]);
    EXPECT_EQ(CFrameReceiver::kWaitStart, rx.GetState());
}

TEST(FrameReceiver, WrongChecksumIsNotAFrameButResynchronises)
{
    CFrameReceiver rx;
    auto bad = Frame(0x56, {1, 2, 3});
    bad.back() ^= 0x01;
    EXPECT_EQ(0u, rx.Feed(bad.data(), bad.size()));
    EXPECT_EQ(1, rx.Buffer()[0]); // the payload lies in the buffer anyway
    const auto good = Frame(0x56, {4});
    EXPECT_EQ(1u, rx.Feed(good.data(), good.size()));
    EXPECT_EQ(4, rx.Buffer()[0]);
}

TEST(FrameReceiver, GrowsForLargeFramesAndDropsThoseBeyondTheLimit)
{
    CFrameReceiver rx;
    std::vector<BYTE> large(serio::kDefaultReceiveBuffer + 1);
    std::iota(large.begin(), large.end(), BYTE{0});
    const auto f = Frame(0x7B, large);
    EXPECT_EQ(1u, rx.Feed(f.data(), f.size()));
    EXPECT_EQ(large.size(), rx.BufferSize());
    EXPECT_TRUE(std::equal(large.begin(), large.end(), rx.Buffer()));

    // A length field beyond 2 MiB: the frame is dropped without growing the
    // buffer; the next start mark begins a new frame.
    const std::vector<BYTE> overlong = {0xAA, 0x7B, 0x01, 0x00, 0x20, 0x00, 0x11, 0x22};
    EXPECT_EQ(0u, rx.Feed(overlong.data(), overlong.size()));
    EXPECT_EQ(1u, rx.DroppedOverlong());
    EXPECT_EQ(large.size(), rx.BufferSize());
    EXPECT_EQ(large.size(), rx.PacketLength());
    const auto next = Frame(0x7B, {5});
    EXPECT_EQ(1u, rx.Feed(next.data(), next.size()));
    EXPECT_EQ(1u, rx.PacketLength());

    // Exactly 2 MiB is still accepted.
    std::vector<BYTE> limit(serio::kMaxReceiveBuffer, 0x5A);
    const auto lf = Frame(0x69, limit);
    EXPECT_EQ(1u, rx.Feed(lf.data(), lf.size()));
    EXPECT_EQ(serio::kMaxReceiveBuffer, rx.BufferSize());
}

TEST(PacketBuffers, SetBufferSizeLimitsAndReset)
{
    serio_test::ScopedProfile profile;
    CPacket packet;
    EXPECT_EQ(serio::kDefaultReceiveBuffer, packet.GetBufferSize());
    BYTE* current = packet.GetBuffer();
    EXPECT_EQ(current, packet.SetBufferSize(0x200001));
    EXPECT_EQ(serio::kDefaultReceiveBuffer, packet.GetBufferSize());

    // A frame half received is abandoned by a new buffer.
    const auto f = Frame(0x56, {1, 2, 3, 4});
    packet.ProcessReceived(f.data(), 7);
    EXPECT_EQ(CFrameReceiver::kPayload, packet.GetReceiveState());
    BYTE* small = packet.SetBufferSize(2);
    ASSERT_NE(nullptr, small);
    EXPECT_EQ(CFrameReceiver::kWaitStart, packet.GetReceiveState());
    EXPECT_EQ(2u, packet.GetBufferSize());

    EXPECT_EQ(nullptr, packet.SetBufferSize(0));
    EXPECT_EQ(0u, packet.GetBufferSize());
    // Without a buffer the next frame still arrives (the buffer grows).
    packet.ProcessReceived(f.data(), f.size());
    EXPECT_TRUE(packet.IsPacketReceived());
    EXPECT_EQ((std::vector<BYTE>{1, 2, 3, 4}), packet.CopyPacket());

    packet.Clear_Buffer();
    EXPECT_EQ((std::vector<BYTE>{0, 0, 0, 0}), packet.CopyPacket());
    packet.Destory();
    EXPECT_EQ(0u, packet.GetBufferSize());
    EXPECT_TRUE(packet.CopyPacket().empty());
    EXPECT_EQ(0u, packet.ProcPacket(nullptr));
}

TEST(PacketBuffers, ClosedPortSendsNothingAndTimesOutEachTry)
{
    serio_test::ScopedProfile profile;
    CPacket packet;
    EXPECT_EQ(serio::kErrorInvalidHandle, packet.SendPacket(0x45));
    int pumped = 0;
    packet.SetPumpCallback([&] { ++pumped; });
    const auto start = serio_test::Clock::now();
    EXPECT_EQ(serio::kResultNoAnswer, packet.SendPacketAck(0x56, 0, nullptr, 60, 2));
    EXPECT_GE(serio_test::MsSince(start), 110);
    EXPECT_GT(pumped, 0);
}

TEST(PacketProgress, WithoutOwnerNothingIsShown)
{
    serio_test::ScopedProfile profile;
    CPacket packet;
    EXPECT_EQ(1, packet.ShowProgress(1000, 1));
    EXPECT_FALSE(packet.IsProgressShown());
    packet.DestoryProgress();
    EXPECT_FALSE(packet.IsProgressShown());

    const POINT p = serio::CenterOver(RECT{100, 50, 401, 250}, SIZE{100, 41});
    EXPECT_EQ(100 + (301 - 100) / 2, p.x);
    EXPECT_EQ(50 + (200 - 41) / 2, p.y);
}
