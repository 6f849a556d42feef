// Different ProcTemp objects process images on different threads at the same time; each
// must give exactly what it gives alone. (This suite also runs under ThreadSanitizer.)
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "ProcTemp.h"
#include "tests/support/enrolment.h"
#include "tests/support/fingerprint_images.h"

namespace {

using test_images::centred_window;
using test_images::GreyImage;
using test_images::scan;

using Bytes = std::vector<unsigned char>;

struct Outcome {
  std::vector<Bytes> codes;
  std::vector<short> scores;
};

// Images of a finger in two terminal geometries: their FP codes, and the scores of the
// codes and the images against a template.
Outcome session(const char* set, int finger, const Bytes& stored) {
  Outcome out;
  ProcTemp p(0, 40);
  for (const auto& [impression, width] : {std::pair{6, 384}, std::pair{7, 300}}) {
    GreyImage image = centred_window(scan(set, finger, impression), width, 256);
    Bytes code(12 + 8 * 4094);
    code.resize(static_cast<std::size_t>(
        p.CreateFPCode(image.pixels.data(), image.width, image.height, code.data())));
    out.codes.push_back(code);
    Bytes templ = stored;  // each thread its own copy, as applications hold them
    out.scores.push_back(p.VerifyFPCode(code.data(), templ.data()));
    out.scores.push_back(p.Verify(image.pixels.data(), image.width, image.height, templ.data()));
  }
  return out;
}

TEST(Concurrency, ObjectsOnSeparateThreadsGiveTheirSingleThreadedResults) {
  // A template of one finger, enrolled on this thread.
  ProcTemp enroller(0, 40);
  const test_images::Enrolment enrolment = test_images::enrol(enroller, "fvc2002-db3b", 102);
  ASSERT_EQ(enrolment.result, 1);
  const Bytes& stored = enrolment.stored;
  struct Job {
    const char* set;
    int finger;
  };
  const Job jobs[] = {{"fvc2002-db3b", 102}, {"fvc2002-db2b", 101}};
  std::vector<Outcome> alone;
  for (const Job& job : jobs) alone.push_back(session(job.set, job.finger, stored));

  std::vector<Outcome> together(std::size(jobs));
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < std::size(jobs); ++i) {
    threads.emplace_back([&, i] { together[i] = session(jobs[i].set, jobs[i].finger, stored); });
  }
  for (std::thread& t : threads) t.join();

  for (std::size_t i = 0; i < std::size(jobs); ++i) {
    SCOPED_TRACE(testing::Message() << jobs[i].set << ' ' << jobs[i].finger);
    EXPECT_EQ(together[i].codes, alone[i].codes);
    EXPECT_EQ(together[i].scores, alone[i].scores);
  }
  // The same finger as the template, so that the comparisons did work.
  EXPECT_GT(*std::max_element(alone[0].scores.begin(), alone[0].scores.end()), 0);
}

}  // namespace
