// Different ProcTemp objects process images on different threads at the same time; each
// must give exactly what it gives alone. (This suite also runs under ThreadSanitizer.)
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "ProcTemp.h"
#include "tests/recognition/fingerprint_images.h"

namespace {

using test_images::centred_window;
using test_images::GreyImage;
using test_images::scan;

using Bytes = std::vector<unsigned char>;

struct Outcome {
  std::vector<Bytes> codes;
  std::vector<short> scores;
  Bytes stored = Bytes(828, 0);
  short enrolment = 0;
};

// A small session: enrol a finger, make FP codes of further impressions, verify them.
Outcome session(const char* set, int finger) {
  Outcome out;
  ProcTemp p(0, 40);
  short counter = 0;
  for (int impression = 1; impression <= 5 && out.enrolment != 1; ++impression) {
    GreyImage image = centred_window(scan(set, finger, impression), 300, 256);
    out.enrolment = p.CreateTemplate(image.pixels.data(), image.width, image.height, out.stored.data(), counter);
  }
  for (int impression = 6; impression <= 8; ++impression) {
    GreyImage image = centred_window(scan(set, finger, impression), 384, 256);
    Bytes code(12 + 8 * 4094);
    code.resize(static_cast<std::size_t>(p.CreateFPCode(image.pixels.data(), image.width, image.height, code.data())));
    out.codes.push_back(code);
    out.scores.push_back(p.VerifyFPCode(code.data(), out.stored.data()));
    out.scores.push_back(p.Verify(image.pixels.data(), image.width, image.height, out.stored.data()));
  }
  return out;
}

TEST(Concurrency, ObjectsOnSeparateThreadsGiveTheirSingleThreadedResults) {
  struct Job {
    const char* set;
    int finger;
  };
  const Job jobs[] = {{"fvc2002-db2b", 101}, {"fvc2002-db3b", 102}, {"fvc2002-db3b", 103}};
  std::vector<Outcome> alone;
  for (const Job& job : jobs) alone.push_back(session(job.set, job.finger));

  std::vector<Outcome> together(std::size(jobs));
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < std::size(jobs); ++i) {
    threads.emplace_back([&, i] { together[i] = session(jobs[i].set, jobs[i].finger); });
  }
  for (std::thread& t : threads) t.join();

  for (std::size_t i = 0; i < std::size(jobs); ++i) {
    SCOPED_TRACE(testing::Message() << jobs[i].set << ' ' << jobs[i].finger);
    EXPECT_EQ(together[i].enrolment, alone[i].enrolment);
    EXPECT_EQ(together[i].stored, alone[i].stored);
    EXPECT_EQ(together[i].codes, alone[i].codes);
    EXPECT_EQ(together[i].scores, alone[i].scores);
  }
}

}  // namespace
