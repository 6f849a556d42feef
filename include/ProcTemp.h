// Pendra: fingerprint recognition. Turns 8-bit grey fingerprint images into minutiae,
// enrols a finger from several images into an 828-byte template, and scores an image (or
// the compact FP code of one) against templates, for verification and identification.
// The library reads no files and talks to no device: images, templates and codes are
// handed over in memory and belong to the caller, who must give whole buffers (828 bytes
// for a template, 12 + 8 x n bytes for an FP code of n minutiae).
//
// Images: width x height bytes, row 0 first, one grey value per byte, dark ridges. Every
// method that takes one refuses, with kBadArgument and before any other work, a null
// image or output buffer and a width or height below 16 (one block) or above 4096.
//
// Stored data is checked before it is read: a template must have version 1, 12 records,
// a body length of exactly 816 and the right CRC, so that the check never reads past its
// 828 bytes whatever the header claims; an FP code must have version 1, a length field of
// 12 + 8 x n with n at most 4096 (both before the CRC is computed over that length), and
// the right CRC.
//
// Calling orders:
//  - Enrolment: set a counter to 0 and call CreateTemplate with new images of the same
//    finger until it returns 1; the template is then in the output. The first image never
//    completes a template; the first two images that do return 0 but already write the
//    template of the moment. A call with a non-zero counter when this object has no
//    enrolment under way (none started, or another method started a new working set since)
//    returns kNoEnrolment and changes neither counter nor output. An enrolment keeps every
//    image it was given, up to 32767 (the 16-bit image count of the working set): a further
//    image is refused with kWorkingSetFull, changing neither counter nor output, and the
//    application must start anew with a counter of 0.
//  - Verification: Verify(image, template) gives a score 0..100 to compare with the
//    application's own acceptance level.
//  - Identification: IdentifyInit(image) once, then IdentifyFind(template) per stored
//    template. IdentifyFind without a successful IdentifyInit on the current working set
//    returns kNoIdentifyImage and changes nothing.
//  - FP code: CreateFPCode(image) on one side, VerifyFPCode(code, template) on the other.
//    The code carries no minutia kind, so a minutia from a code may pair with a template
//    minutia of either kind.
//
// Cost: every minutia is related to every other, so the work after the image stages grows
// with the square of the minutiae (and the image stages with the area). No code within
// the limits above is refused for its size: the largest, 4094 minutiae, is verified in
// about 0.65 s on one core of a current PC; a 2000 x 2000 image of about 2,400 minutiae is
// processed in about 0.7 s. Real terminal images have tens of minutiae.
//  - GetOutPointer after a call that processed an image, for display; GetLengthTemplate and
//    GetQualityTemplate at any time on any buffer.
//
// Results are 16-bit. The methods that take an image, a template or a code keep their
// result in `status` too (GetLengthTemplate and GetQualityTemplate only when they reject
// a template; GetOutPointer never). After a CreateTemplate that returned 0, status tells
// why: 0 the image completed no template, 1 it did and the template of the moment is in
// the output, kNoMemory the image could not be processed.
//
// Threads: different ProcTemp objects may process images at the same time on different
// threads; the calls on one object must not overlap.
#pragma once

#include <cstdint>

#if defined(__GNUC__)
#define PENDRA_EXPORT __attribute__((visibility("default")))
#define PENDRA_INTERNAL __attribute__((visibility("hidden")))
#else
#define PENDRA_EXPORT
#define PENDRA_INTERNAL
#endif

namespace recognition {
class RidgeEnhancer;
struct MinutiaSet;
struct NodeList;
struct Minutia;
class TemplateMatcher;
enum class MatchMode;
}  // namespace recognition

namespace pendra {

enum Status : short {
  kOk = 0,
  kTemplateComplete = 1,   // CreateTemplate: the output holds the final template
  kNoMemory = -1,          // an allocation failed, or an image had more minutiae than can be kept
  kBadArgument = -2,       // null image or buffer, or width or height outside 16..4096
  kTemplateRejected = -3,  // version not 1, record count not 12, body length not 816, CRC, or null
  kCodeRejected = -4,  // FP code: version not 1, length not 12 + 8 x n, n above 4096, CRC, or null
  kWrongRecordCount = -4,  // GetQualityTemplate: record count not 12
  kWrongVersion = -5,      // GetQualityTemplate: version not 1
  kNoEnrolment = -6,       // CreateTemplate with a non-zero counter and no enrolment under way
  kNoIdentifyImage = -7,   // IdentifyFind without a successful IdentifyInit
  kWorkingSetFull = -8,    // CreateTemplate: the enrolment already holds 32767 images
};

inline constexpr int kTemplateSize = 828;

}  // namespace pendra

class PENDRA_EXPORT ProcTemp {
 public:
  // `imageType` chooses the processing variant of the sensor: 1 (contrast divisor 5), 2
  // (one enhancement pass), 3 (light ridges: the image is inverted), 4 (contrast divisor 7),
  // any other value the default. `matchThreshold`: the neighbourhood agreement in percent
  // that two minutiae must exceed to count as the same.
  ProcTemp(short imageType, short matchThreshold);
  ~ProcTemp();
  ProcTemp(const ProcTemp&) = delete;
  ProcTemp& operator=(const ProcTemp&) = delete;

  // One enrolment step: 1 when the template in `templ` (828 bytes) is final, 0 when not yet
  // or when the image could not be processed (status tells), kNoMemory when the working set
  // could not be started, kBadArgument, kNoEnrolment, kWorkingSetFull (32767 images without
  // a final template). Adds 1 to `counter` unless refused; 0 starts anew.
  short CreateTemplate(unsigned char* image, int width, int height, unsigned char* templ,
                       short& counter);

  // Writes the FP code of the image into `code` (12 + 8 x n bytes for n minutiae; at most
  // 4094 minutiae are kept per image); returns its length, kNoMemory or kBadArgument.
  short CreateFPCode(unsigned char* image, int width, int height, unsigned char* code);

  // Score 0..100 of the image against the template; kTemplateRejected (the image is not
  // processed), kNoMemory, kBadArgument.
  short Verify(unsigned char* image, int width, int height, unsigned char* templ);

  // Score 0..100 of the FP code against the template; kTemplateRejected, kCodeRejected,
  // kNoMemory.
  short VerifyFPCode(unsigned char* code, unsigned char* templ);

  // Processes the live image of an identification: 0, kNoMemory, kBadArgument. A refused
  // or failed image ends the previous identification.
  short IdentifyInit(unsigned char* image, int width, int height);

  // Score 0..100 of the IdentifyInit image against one template; kTemplateRejected,
  // kNoIdentifyImage, kNoMemory.
  short IdentifyFind(unsigned char* templ);

  // 828 for a template whose version, record count, body length and CRC are right, else
  // kTemplateRejected.
  short GetLengthTemplate(unsigned char* templ);

  // The mean of the 12 occurrence percentages, truncated; kWrongVersion, kWrongRecordCount,
  // kTemplateRejected (body length or CRC).
  short GetQualityTemplate(unsigned char* templ);

  // The skeleton of the last processed image, with its minutiae and their direction points
  // marked 200 (127: ridge ends at the edge of the print, 128 / 129: candidates that were
  // not kept); null when no image was processed since the working set was started. Valid
  // until the next call that processes an image or starts a working set.
  unsigned char* GetOutPointer();

  std::int16_t status;  // result of the last call

 private:
  enum class Session : std::int8_t { kNone, kEnrolment, kIdentification, kOther };

  // Not part of the library's interface.
  PENDRA_INTERNAL short reset(Session started);
  PENDRA_INTERNAL void free_working_set();
  PENDRA_INTERNAL short process_image(unsigned char* image, int width, int height,
                                      recognition::MatchMode mode);
  PENDRA_INTERNAL void add_to_working_set(recognition::MinutiaSet* set,
                                          recognition::NodeList&& nodes);

  // Read at construction only; kept so the object keeps the layout applications allocate.
  [[maybe_unused]] std::int16_t imageType;
  std::int32_t blockSize;
  double segmentationDivisor;
  std::int16_t matchThreshold;
  std::int32_t enrolSuccesses;
  recognition::RidgeEnhancer* enhancer;
  unsigned char* outImage;
  recognition::MinutiaSet** minutiaSets;
  recognition::NodeList* nodeLists;
  std::int16_t imageCount;
  recognition::NodeList* currentNodes;
  recognition::MinutiaSet* currentSet;
  recognition::Minutia* currentMinutiae;
  std::int16_t currentCount;
  recognition::TemplateMatcher* matcher;
  Session session;  // what started the current working set
};
