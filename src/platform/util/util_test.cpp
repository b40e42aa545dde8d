#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "platform/util/bounded_queue.h"
#include "platform/util/file.h"
#include "platform/util/hex.h"
#include "platform/util/one_shot.h"
#include "platform/util/random.h"
#include "platform/util/sha256.h"

namespace {

TEST(BoundedQueue, RefusesWhenFullAndCountsTheDrops)
{
    util::BoundedQueue<int> queue(2);
    EXPECT_TRUE(queue.try_push(1));
    EXPECT_TRUE(queue.try_push(2));
    EXPECT_FALSE(queue.try_push(3));
    EXPECT_EQ(queue.dropped(), 1u);
    EXPECT_EQ(queue.try_pop(), 1);
    EXPECT_TRUE(queue.try_push(4));
    EXPECT_EQ(queue.try_pop(), 2);
    EXPECT_EQ(queue.try_pop(), 4);
    EXPECT_EQ(queue.try_pop(), std::nullopt);
}

TEST(BoundedQueue, ConcurrentProducersNeverExceedCapacityOrLoseCountedItems)
{
    util::BoundedQueue<int> queue(64);
    std::atomic<int> accepted = 0;
    std::vector<std::thread> producers;
    for (int t = 0; t < 4; ++t) {
        producers.emplace_back([&] {
            for (int i = 0; i < 1000; ++i)
                accepted += queue.try_push(i) ? 1 : 0;
        });
    }
    int popped = 0;
    for (int spins = 0; spins < 100000 && popped < 4000; ++spins) {
        if (queue.try_pop())
            ++popped;
        EXPECT_LE(queue.size(), 64u);
    }
    for (auto& p : producers)
        p.join();
    while (queue.try_pop())
        ++popped;
    EXPECT_EQ(popped, accepted.load());
    EXPECT_EQ(static_cast<std::size_t>(accepted.load()) + queue.dropped(), 4000u);
}

TEST(OneShot, DeliversTheFirstResultOnceWithItsRequestNumber)
{
    auto slot = util::make_one_shot<std::string>();
    EXPECT_FALSE(slot->poll_take());
    std::thread worker([slot] {
        slot->fulfil(7, "done");
        slot->fulfil(8, "ignored");
    });
    worker.join();
    auto result = slot->poll_take();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->request, 7u);
    EXPECT_EQ(result->value, "done");
    EXPECT_FALSE(slot->poll_take());
}

TEST(Random, Uuid4HasVersionAndVariantBitsAndDiffers)
{
    auto a = util::uuid_v4();
    EXPECT_EQ(a[6] >> 4, 4);
    EXPECT_EQ(a[8] >> 6, 2);
    auto hex = util::uuid_v4_hex();
    EXPECT_EQ(hex.size(), 32u);
    EXPECT_TRUE(util::is_lower_hex(hex));
    EXPECT_NE(hex, util::uuid_v4_hex());
}

TEST(Sha256, MatchesKnownVectorsWholeAndInPieces)
{
    std::string abc = "abc";
    std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(abc.data()), abc.size());
    EXPECT_EQ(util::sha256_hex(bytes), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(util::sha256_hex({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    util::Sha256Builder builder;
    builder.update(bytes.first(1));
    builder.update(bytes.subspan(1));
    EXPECT_EQ(util::to_hex(builder.finish()), util::sha256_hex(bytes));
}

TEST(Hex, RoundTripsAndRejectsBadDigits)
{
    std::vector<std::uint8_t> bytes{0x00, 0x7f, 0xff, 0x10};
    EXPECT_EQ(util::to_hex(bytes), "007fff10");
    EXPECT_EQ(util::from_hex("007FfF10"), bytes);
    EXPECT_FALSE(util::from_hex("0"));
    EXPECT_FALSE(util::from_hex("zz"));
}

TEST(File, AtomicWriteReplacesContentAndLeavesNoTemporaryFiles)
{
    auto dir = std::filesystem::temp_directory_path() / ("util-file-" + util::uuid_v4_hex());
    std::filesystem::create_directories(dir);
    auto path = dir / "f";
    std::vector<std::uint8_t> first{1, 2, 3}, second{4, 5};
    ASSERT_TRUE(util::write_file_atomic(path, first));
    ASSERT_TRUE(util::write_file_atomic(path, second));
    EXPECT_EQ(util::read_file(path).value(), second);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    EXPECT_FALSE(util::read_file(path, 1));
    EXPECT_FALSE(util::read_file(dir / "missing"));
    EXPECT_FALSE(util::write_file_atomic(dir / "no" / "such", first));
    std::filesystem::remove_all(dir);
}

} // namespace
