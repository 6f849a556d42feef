// The exported ProcTemp: the calling orders, the working set and the status codes around
// the recognition chain. Processing one image reads top to bottom:
//   skeleton (enhancement and thinning) -> minutiae -> pair relations -> one matcher step.
#include <bit>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <new>
#include <utility>

#include "ProcTemp.h"
#include "recognition/enhancement.h"
#include "recognition/extraction.h"
#include "recognition/fp_code.h"
#include "recognition/image_variant.h"
#include "recognition/matcher.h"
#include "recognition/pair_geometry.h"
#include "recognition/template_format.h"

using recognition::MatchMode;
using recognition::MinutiaSet;
using recognition::NodeList;
using recognition::TemplateMatcher;
namespace template_format = recognition::template_format;

namespace {

constexpr std::int32_t kBlockSize = 16;
// One block is the least the enhancement can work on; 4096 bounds the working memory and
// keeps coordinates well inside the 16-bit fields of the FP code.
constexpr int kMinImageSide = 16;
constexpr int kMaxImageSide = 4096;

// An enrolment ends on the third image that completes a template, so that the template
// has been confirmed by two more images.
constexpr std::int32_t kEnrolConfirmations = 2;

// The working set counts its images in 16 bits; an enrolment that never completes (blank
// images, a finger that never agrees with itself) must stop there instead of wrapping.
constexpr int kMaxWorkingSetImages = std::numeric_limits<std::int16_t>::max();

bool image_acceptable(const unsigned char* image, int width, int height) {
  return image != nullptr && width >= kMinImageSide && width <= kMaxImageSide &&
         height >= kMinImageSide && height <= kMaxImageSide;
}

// Runs `body`; want of memory anywhere inside (std::bad_alloc, or std::length_error for a
// size beyond what can be allocated) ends the call with kNoMemory in `status` and
// `failure_result` as the result, since no exception may reach the application.
template <class Body>
short guarded(std::int16_t& status, short failure_result, Body&& body) {
  try {
    return body();
  } catch (const std::exception&) {
    status = pendra::kNoMemory;
    return failure_result;
  }
}

}  // namespace

ProcTemp::ProcTemp(short imageType, short matchThreshold)
    : status(pendra::kOk),
      imageType(imageType),
      blockSize(kBlockSize),
      segmentationDivisor(recognition::image_variant(imageType).segmentation_divisor),
      matchThreshold(matchThreshold),
      enrolSuccesses(0),
      enhancer(new (std::nothrow) recognition::RidgeEnhancer(imageType)),
      outImage(nullptr),
      minutiaSets(nullptr),
      nodeLists(nullptr),
      imageCount(0),
      currentNodes(nullptr),
      currentSet(nullptr),
      currentMinutiae(nullptr),
      currentCount(0),
      matcher(nullptr),
      session(Session::kNone) {}

ProcTemp::~ProcTemp() {
  delete enhancer;
  free_working_set();
}

void ProcTemp::free_working_set() {
  delete[] outImage;
  outImage = nullptr;
  for (int i = 0; i < imageCount; ++i) delete minutiaSets[i];
  delete[] minutiaSets;
  minutiaSets = nullptr;
  delete[] nodeLists;
  nodeLists = nullptr;
  delete matcher;
  matcher = nullptr;
  imageCount = 0;
  currentNodes = nullptr;
  currentSet = nullptr;
  currentMinutiae = nullptr;
  currentCount = 0;
  session = Session::kNone;
}

short ProcTemp::reset(Session started) {
  free_working_set();
  status = pendra::kOk;
  matcher = new (std::nothrow) TemplateMatcher(matchThreshold);
  if (matcher == nullptr) return status = pendra::kNoMemory;
  session = started;
  return pendra::kOk;
}

void ProcTemp::add_to_working_set(MinutiaSet* set, NodeList&& nodes) {
  std::unique_ptr<MinutiaSet> owned(set);
  // The arrays hold bit_ceil(imageCount) entries and double when full, so that a long
  // enrolment does not copy the whole working set for every image.
  if (imageCount == 0 || std::has_single_bit(static_cast<unsigned>(imageCount))) {
    const std::size_t room = std::bit_ceil(static_cast<std::size_t>(imageCount) + 1);
    auto sets = std::make_unique<MinutiaSet*[]>(room);
    auto lists = std::make_unique<NodeList[]>(room);
    // Moving keeps the node and relation storage in place: matcher cells stay valid.
    for (int i = 0; i < imageCount; ++i) {
      sets[i] = minutiaSets[i];
      lists[i] = std::move(nodeLists[i]);
    }
    delete[] minutiaSets;
    delete[] nodeLists;
    minutiaSets = sets.release();
    nodeLists = lists.release();
  }
  minutiaSets[imageCount] = owned.release();
  nodeLists[imageCount] = std::move(nodes);
  ++imageCount;
  currentNodes = &nodeLists[imageCount - 1];
  currentSet = minutiaSets[imageCount - 1];
  currentMinutiae = currentSet->minutiae.data();
  currentCount = static_cast<std::int16_t>(currentSet->minutiae.size());
}

short ProcTemp::process_image(unsigned char* image, int width, int height, MatchMode mode) {
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  delete[] outImage;
  outImage = new (std::nothrow) unsigned char[pixels]();
  if (outImage == nullptr || enhancer == nullptr) return status = pendra::kNoMemory;

  const bool blocks_ready = enhancer->set_up(width, height, blockSize, segmentationDivisor);
  if (blocks_ready) enhancer->enhance(image, outImage);
  enhancer->release();
  if (!blocks_ready) return status = pendra::kNoMemory;

  auto set = std::make_unique<MinutiaSet>();
  set->width = static_cast<std::int16_t>(width);
  set->height = static_cast<std::int16_t>(height);
  set->image = outImage;
  if (!recognition::extract_minutiae(*set)) return status = pendra::kNoMemory;
  // Kept for the rest of the working set: without the extraction's spare room.
  set->minutiae.shrink_to_fit();

  NodeList nodes =
      recognition::build_relations(set->minutiae.data(), static_cast<int>(set->minutiae.size()),
                                   /*kindless=*/false);
  add_to_working_set(set.release(), std::move(nodes));
  return status = matcher->run(*currentNodes, mode);
}

short ProcTemp::CreateTemplate(unsigned char* image, int width, int height, unsigned char* templ,
                               short& counter) {
  if (!image_acceptable(image, width, height) || templ == nullptr)
    return status = pendra::kBadArgument;
  if (counter == 0) {
    enrolSuccesses = 0;
    if (reset(Session::kEnrolment) != pendra::kOk) return status;
  } else if (session != Session::kEnrolment) {
    return status = pendra::kNoEnrolment;
  } else if (imageCount >= kMaxWorkingSetImages) {
    return status = pendra::kWorkingSetFull;
  }
  ++counter;
  return guarded(status, pendra::kOk, [&]() -> short {
    if (process_image(image, width, height, MatchMode::kEnrol) != pendra::kTemplateComplete) {
      return pendra::kOk;
    }
    std::memcpy(templ, matcher->template_bytes(),
                static_cast<std::size_t>(matcher->template_size()));
    if (enrolSuccesses >= kEnrolConfirmations) return pendra::kTemplateComplete;
    ++enrolSuccesses;
    return pendra::kOk;
  });
}

short ProcTemp::CreateFPCode(unsigned char* image, int width, int height, unsigned char* code) {
  if (!image_acceptable(image, width, height) || code == nullptr)
    return status = pendra::kBadArgument;
  if (reset(Session::kOther) != pendra::kOk) return status;
  return guarded(status, pendra::kNoMemory, [&]() -> short {
    if (process_image(image, width, height, MatchMode::kExtractOnly) != pendra::kOk) {
      return status;
    }
    return status = static_cast<short>(recognition::fp_code::write(*currentNodes, code));
  });
}

short ProcTemp::Verify(unsigned char* image, int width, int height, unsigned char* templ) {
  if (!image_acceptable(image, width, height)) return status = pendra::kBadArgument;
  if (templ == nullptr) return status = pendra::kTemplateRejected;
  if (reset(Session::kOther) != pendra::kOk) return status;
  return guarded(status, pendra::kNoMemory, [&]() -> short {
    if ((status = matcher->load_template(templ)) != pendra::kOk) return status;
    return process_image(image, width, height, MatchMode::kCompare);
  });
}

short ProcTemp::VerifyFPCode(unsigned char* code, unsigned char* templ) {
  if (templ == nullptr) return status = pendra::kTemplateRejected;
  if (reset(Session::kOther) != pendra::kOk) return status;
  return guarded(status, pendra::kNoMemory, [&]() -> short {
    if ((status = matcher->load_template(templ)) != pendra::kOk) return status;
    if (code == nullptr ||
        recognition::fp_code::check(code) != recognition::fp_code::CodeCheck::kValid) {
      return status = pendra::kCodeRejected;
    }
    auto set = std::make_unique<MinutiaSet>();
    set->minutiae = recognition::fp_code::read_minutiae(code);
    NodeList nodes =
        recognition::build_relations(set->minutiae.data(), static_cast<int>(set->minutiae.size()),
                                     /*kindless=*/true);
    add_to_working_set(set.release(), std::move(nodes));
    return status = matcher->run(*currentNodes, MatchMode::kCompare);
  });
}

short ProcTemp::IdentifyInit(unsigned char* image, int width, int height) {
  if (!image_acceptable(image, width, height)) {
    // The live image of the previous identification must not be matched in its place.
    if (session == Session::kIdentification) session = Session::kNone;
    return status = pendra::kBadArgument;
  }
  if (reset(Session::kIdentification) != pendra::kOk) return status;
  const short result = guarded(status, pendra::kNoMemory, [&]() -> short {
    return process_image(image, width, height, MatchMode::kExtractOnly);
  });
  if (result != pendra::kOk) session = Session::kNone;
  return result;
}

short ProcTemp::IdentifyFind(unsigned char* templ) {
  if (session != Session::kIdentification || currentNodes == nullptr)
    return status = pendra::kNoIdentifyImage;
  if (templ == nullptr) return status = pendra::kTemplateRejected;
  return guarded(status, pendra::kNoMemory, [&]() -> short {
    // The live image's nodes and relations are kept; only the matcher starts again.
    matcher->clear();
    if ((status = matcher->load_template(templ)) != pendra::kOk) return status;
    return status = matcher->run(*currentNodes, MatchMode::kCompare);
  });
}

short ProcTemp::GetLengthTemplate(unsigned char* templ) {
  if (templ == nullptr ||
      template_format::check_template(templ) != template_format::TemplateCheck::kValid) {
    return status = pendra::kTemplateRejected;
  }
  return static_cast<short>(template_format::kTemplateSize);
}

short ProcTemp::GetQualityTemplate(unsigned char* templ) {
  using template_format::TemplateCheck;
  switch (templ == nullptr ? TemplateCheck::kWrongCrc : template_format::check_template(templ)) {
    case TemplateCheck::kWrongVersion:
      return status = pendra::kWrongVersion;
    case TemplateCheck::kWrongRecordCount:
      return status = pendra::kWrongRecordCount;
    case TemplateCheck::kWrongBodyLength:
    case TemplateCheck::kWrongCrc:
      return status = pendra::kTemplateRejected;
    case TemplateCheck::kValid:
      break;
  }
  std::int16_t sum = 0;
  for (int i = 0; i < template_format::kRecordCount; ++i) {
    sum = static_cast<std::int16_t>(
        sum + templ[template_format::kHeaderSize + i * template_format::kRecordSize]);
  }
  return static_cast<short>(sum / template_format::kRecordCount);
}

unsigned char* ProcTemp::GetOutPointer() { return outImage; }
