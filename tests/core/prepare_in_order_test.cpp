// InOrderStream: bytes made on worker threads arrive at the writer in item
// order, each item's end reported after its last byte, with the bytes made
// ahead bounded; a failure anywhere stops the work and arrives once.
// PrepareInOrder: the lowest failing item decides, as on one thread.
#include "core/prepare_in_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace quervik {
namespace {

constexpr std::size_t kBlock = BlockOut::kBlockSize;

// Item i: `sizes(i)` bytes, byte k being 'a' + (i + k) % 26.
char ByteOf(std::size_t i, std::size_t k) {
  return static_cast<char>('a' + (i + k) % 26);
}
std::size_t SizeOf(std::size_t i) {
  const std::size_t sizes[] = {0, 1, 100, kBlock - 1, kBlock, kBlock + 1, 3 * kBlock + 17, 5000};
  return sizes[(i * 5) % 8];
}

// Half the items are made through Room and Advance in pieces of up to 999
// bytes, the other half through Append in one piece.
void Make(std::size_t i, BlockOut& out) {
  const std::size_t size = SizeOf(i);
  if (i % 2 == 0) {
    for (std::size_t k = 0; k < size;) {
      const std::size_t piece = std::min<std::size_t>(size - k, 1 + (k * 7) % 999);
      char* p = out.Room(piece);
      for (std::size_t j = 0; j < piece; ++j) p[j] = ByteOf(i, k + j);
      out.Advance(p + piece);
      k += piece;
    }
  } else {
    std::string bytes(size, ' ');
    for (std::size_t k = 0; k < size; ++k) bytes[k] = ByteOf(i, k);
    out.Append(bytes);
  }
}

struct Slot {
  std::size_t item = 0;
};

TEST(InOrderStream, EveryItemsBytesArriveInOrderForEveryThreadCount) {
  constexpr std::size_t n = 61;
  std::string expected;
  std::vector<std::size_t> ends;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t k = 0; k < SizeOf(i); ++k) expected += ByteOf(i, k);
    ends.push_back(expected.size());
  }
  for (const unsigned threads : {1u, 2u, 3u, 8u}) {
    for (const std::size_t ahead : {std::size_t{0}, 2 * kBlock, std::size_t{64} << 20}) {
      std::string written;
      std::vector<std::size_t> done;
      bool inOrder = true;
      const auto caller = std::this_thread::get_id();
      InOrderStream<Slot> stream(n, threads, ahead, [](std::size_t i, Slot& slot, BlockOut& out) {
        slot.item = i;
        Make(i, out);
      });
      stream.WriteAll(
          [&](std::string_view bytes) {
            EXPECT_LE(bytes.size(), kBlock);
            EXPECT_GT(bytes.size(), 0u);
            inOrder = inOrder && std::this_thread::get_id() == caller;
            written += bytes;
          },
          [&](std::size_t i, const Slot& slot) {
            // Reported after its last byte and before the next item's first.
            EXPECT_EQ(written.size(), ends[i]) << i;
            EXPECT_EQ(slot.item, i);
            inOrder = inOrder && std::this_thread::get_id() == caller;
            done.push_back(i);
          });
      EXPECT_TRUE(written == expected) << threads << " threads, ahead " << ahead;
      EXPECT_EQ(done.size(), n);
      EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
      EXPECT_TRUE(inOrder);
    }
  }
}

// A slow writer: the workers would run far ahead if nothing held them. The
// bytes made but not written never exceed what is allowed ahead, the few
// blocks of the item being written and one block per worker and writer.
TEST(InOrderStream, TheBytesMadeAheadAreBoundedByTheMemoryAllowed) {
  constexpr std::size_t n = 40;
  constexpr unsigned threads = 3;
  constexpr std::size_t ahead = 3 * kBlock;
  std::atomic<std::size_t> made{0}, written{0}, most{0};
  InOrderStream<Slot> stream(n, threads, ahead, [&](std::size_t, Slot&, BlockOut& out) {
    for (int b = 0; b < 8; ++b) {
      char* p = out.Room(kBlock);
      std::fill(p, p + kBlock, 'x');
      // Counted before it is handed on: it is made, whatever comes next.
      const std::size_t now = made += kBlock;
      std::size_t seen = most.load();
      while (now - written.load() > seen && !most.compare_exchange_weak(seen, now - written)) {
      }
      out.Advance(p + kBlock);
    }
  });
  stream.WriteAll(
      [&](std::string_view bytes) {
        std::this_thread::sleep_for(std::chrono::microseconds(300));
        written += bytes.size();
      },
      [](std::size_t, const Slot&) {});
  EXPECT_EQ(written.load(), n * 8 * kBlock);
  EXPECT_LE(most.load(), ahead + (4 + threads + 1 + 1) * kBlock);
}

TEST(InOrderStream, TheFirstFailureStopsTheWorkAndIsThrownOnce) {
  struct Case {
    const char* where;
    unsigned threads;
  };
  for (const Case c : {Case{"prepare", 1}, Case{"prepare", 2}, Case{"prepare", 5}, Case{"write", 1},
                       Case{"write", 3}, Case{"done", 1}, Case{"done", 3}, Case{"caller", 3}}) {
    const std::string where = c.where;
    std::size_t doneCount = 0;
    try {
      InOrderStream<Slot> stream(200, c.threads, kBlock, [&](std::size_t i, Slot&, BlockOut& out) {
        if (where == "prepare" && i == 17) throw std::runtime_error("prepare");
        Make(i, out);
      });
      if (where == "caller") throw std::runtime_error("caller");  // the workers are stopped
      std::size_t writes = 0;
      stream.WriteAll(
          [&](std::string_view) {
            if (where == "write" && ++writes == 30) throw std::runtime_error("write");
          },
          [&](std::size_t i, const Slot&) {
            if (where == "done" && i == 9) throw std::runtime_error("done");
            ++doneCount;
          });
      ADD_FAILURE() << where << ": no exception";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(), where);
    }
    if (where == "prepare") {
      EXPECT_LE(doneCount, 17u) << c.threads;
    }
    if (where == "done") {
      EXPECT_EQ(doneCount, 9u) << c.threads;
    }
  }
}

// Two items fail, the later one first: what is emitted and what is thrown
// are those of one thread (the items before the lower one, and its
// exception), whichever failure came first in time.
TEST(PrepareInOrder, TheLowestFailingItemDecidesWhateverFailsFirst) {
  std::atomic<bool> laterFailed{false};
  std::vector<std::size_t> emitted;
  try {
    PrepareInOrder<int>(
        100, 2,
        [&](std::size_t i, int& slot) {
          slot = static_cast<int>(i);
          if (i == 5) {
            laterFailed = true;
            throw std::runtime_error("5");
          }
          if (i == 3) {
            // Waits (at most a few seconds) until item 5 has failed.
            for (int k = 0; k < 5000 && !laterFailed; ++k) {
              std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            throw std::runtime_error("3");
          }
        },
        [&](std::size_t i, const int& slot) {
          EXPECT_EQ(slot, static_cast<int>(i));
          emitted.push_back(i);
        });
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "3");
  }
  EXPECT_EQ(emitted, (std::vector<std::size_t>{0, 1, 2}));
}

}  // namespace
}  // namespace quervik
