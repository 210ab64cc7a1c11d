// SPDX-License-Identifier: MIT
// Feeding patterns for the digest plugins, shared by every plugin's tests.
#include "tests/support/digest_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "digest/plugin.h"
#include "runtime/heap_handles.h"
#include "runtime/text.h"

const char* FeedName(Feed feed)
{
    switch (feed) {
    case Feed::Whole:
        return "whole";
    case Feed::Bytewise:
        return "bytewise";
    case Feed::Pieces:
        return "pieces";
    case Feed::Unaligned:
        return "unaligned";
    case Feed::PieceList:
        return "piece list";
    }
    return "?";
}

Bytes RunPlugin(int32_t id, int32_t bits, const Bytes& message, Feed feed, int32_t flag)
{
    DigestPlugin* plugin = FindDigestPlugin(id);
    if (!plugin) return {};
    DigestContext* context = plugin->create(bits, flag);
    if (!context) return {};

    // A private copy, 8-aligned plus one, so the plugin never sees the test's bytes.
    Bytes storage(message.size() + 16);
    uint8_t* data = storage.data() + (8 - reinterpret_cast<uintptr_t>(storage.data()) % 8) % 8;
    if (feed == Feed::Unaligned) data += 1;
    if (!message.empty()) std::memcpy(data, message.data(), message.size());
    const uint32_t length = static_cast<uint32_t>(message.size());

    switch (feed) {
    case Feed::Whole:
    case Feed::Unaligned:
        plugin->update(context, data, length);
        break;
    case Feed::Bytewise:
        for (uint32_t i = 0; i < length; ++i) plugin->update(context, data + i, 1);
        break;
    case Feed::Pieces: {
        uint32_t state = 0x9e3779b9u ^ length;
        uint32_t done = 0;
        while (done < length) {
            state = state * 1664525u + 1013904223u;
            uint32_t piece = (state >> 8) % 300;
            if (piece > length - done) piece = length - done;
            plugin->update(context, data + done, 0);
            plugin->update(context, data + done, piece);
            done += piece;
        }
        plugin->update(context, data + done, 0);
        break;
    }
    case Feed::PieceList: {
        uint32_t done = 0;
        for (uint32_t piece : {1u, 70u, 2u, 144u, 5u, 200u, UINT32_MAX}) {
            piece = std::min(piece, length - done);
            plugin->update(context, data + done, 0);
            plugin->update(context, data + done, piece);
            done += piece;
        }
        break;
    }
    }
    plugin->finish(context);
    Bytes digest(context->digest, context->digest + context->digestBits / 8);
    plugin->release(context);
    return digest;
}

Bytes PseudoRandomBytes(size_t size, uint32_t state)
{
    Bytes bytes(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
    return bytes;
}

std::string Narrow(const TextUnit* text)
{
    std::string out;
    for (int32_t i = 0, n = TextLength(text); i < n; ++i) out.push_back(static_cast<char>(text[i]));
    return out;
}

std::string DriverHex(int32_t id, int32_t bits, const Bytes& message)
{
    Bytes copy = message;
    copy.push_back(0);  // a valid address even for the empty message
    TextUnit* text = ComputeDigestHex(copy.data(), static_cast<uint32_t>(message.size()), id, bits);
    std::string out = Narrow(text);
    ReleaseAllTexts();
    return out;
}

std::string FrameHex(int32_t id, int32_t bits, const Bytes& message, bool* untouched)
{
    DigestFrame frame;
    std::memset(frame.bytes, 0x5A, sizeof frame.bytes);
    const DigestRun run = BeginDigestIn(frame, id, bits);
    FeedDigest(run, message.data(), static_cast<uint32_t>(message.size()));
    std::string out = Narrow(FinishDigestHex(run));
    ReleaseAllTexts();
    if (run.context) {
        EXPECT_TRUE(std::all_of(std::begin(frame.bytes), std::end(frame.bytes), [](uint8_t b) { return b == 0; }))
            << "the frame keeps part of the context after the run";
    }
    if (untouched)
        *untouched = std::all_of(std::begin(frame.bytes), std::end(frame.bytes), [](uint8_t b) { return b == 0x5A; });
    return out;
}

void ExpectEveryFeed(int32_t id, int32_t bits, const Bytes& message, const std::string& expected,
                     const std::string& where)
{
    EXPECT_EQ(DriverHex(id, bits, message), expected) << where << " driver";
    EXPECT_EQ(FrameHex(id, bits, message), expected) << where << " driver, context in a frame";
    for (Feed feed : AllFeeds)
        for (int32_t flag : {1, 0})
            EXPECT_EQ(ToHex(RunPlugin(id, bits, message, feed, flag)), expected)
                << where << " feed " << FeedName(feed) << " flag " << flag;
}

void ExpectEveryRecord(int32_t id, int32_t bits, const VectorFile& file)
{
    for (const VectorRecord& record : file.records)
        ExpectEveryFeed(id, bits, record.message, ToHex(record.digest), file.path + ":" + std::to_string(record.line));
}

void LoadCavpFile(int32_t id, int32_t bits, const char* kind, VectorFile& file)
{
    const bool sha3 = id == Sha3;
    const std::string length = id == Sha1 ? "" : std::to_string(bits);
    const std::string relative = (id == Sha1 ? "SHA1/SHA1" : sha3 ? "SHA3/SHA3_" : "SHA2/SHA") + length + kind + ".rsp";
    std::string error;
    ASSERT_TRUE(ReadVectorFile(relative, file, error)) << error;
    ASSERT_EQ(file.headerL, id == Sha1 ? 20
                            : sha3     ? bits
                                       : bits / 8)
        << file.path << ": [L = ..] counts "
        << (sha3 ? "bits in the SHA-3 files" : "bytes in the SHA-1 and SHA-2 files");
}

Bytes ShavsMonteCarloChain(int32_t id, int32_t bits, const Bytes& seed)
{
    Bytes md[3] = {seed, seed, seed};
    for (int i = 3; i <= 1002; ++i) {
        Bytes message = md[0];
        message.insert(message.end(), md[1].begin(), md[1].end());
        message.insert(message.end(), md[2].begin(), md[2].end());
        md[0] = std::move(md[1]);
        md[1] = std::move(md[2]);
        md[2] = RunPlugin(id, bits, message, Feed::Whole);
    }
    return md[2];
}

void ExpectRefusedLengthsKeepNoStorage(int32_t id)
{
    for (int32_t bits : {100, 128, 160, 225, 257, 1024, -1, -256}) {
        const int32_t live = PlatformHeapLiveBlocks(InternalHeap());
        EXPECT_EQ(FindDigestPlugin(id)->create(bits, 1), nullptr) << bits;
        EXPECT_EQ(DriverHex(id, bits, Bytes{'a'}), "") << bits;
        bool untouched = false;
        EXPECT_EQ(FrameHex(id, bits, Bytes{'a'}, &untouched), "") << bits;
        EXPECT_TRUE(untouched) << bits << ": a refused length wrote into the frame";
        EXPECT_EQ(PlatformHeapLiveBlocks(InternalHeap()), live) << bits;
    }
}
