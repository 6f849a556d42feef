#include "recognition/enhancement.h"

#include <new>

#include "recognition/enhancement_stages.h"
#include "recognition/image_variant.h"

namespace recognition {
namespace {

template <typename T>
std::unique_ptr<T[]> allocate_zeroed(int count) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[count]());
}

}  // namespace

RidgeEnhancer::RidgeEnhancer(std::int16_t image_type) : image_type_(image_type) {}

RidgeEnhancer::~RidgeEnhancer() = default;

bool RidgeEnhancer::set_up(int width, int height, int block_size, double segmentation_divisor) {
  release();
  segmentation_divisor_ = segmentation_divisor;
  block_size_ = block_size;
  width_ = width;
  height_ = height;
  if (block_size != enhancement::kBlockSize) return false;
  const int blocks = (width / block_size) * (height / block_size);
  block_mask_ = allocate_zeroed<std::uint8_t>(blocks);
  block_frequency_ = allocate_zeroed<std::int32_t>(blocks);
  block_orientation_ = allocate_zeroed<std::int32_t>(blocks);
  block_cos2_ = allocate_zeroed<double>(blocks);
  block_sin2_ = allocate_zeroed<double>(blocks);
  previous_frequency_ = allocate_zeroed<std::int32_t>(blocks);
  if (!block_mask_ || !block_frequency_ || !block_orientation_ || !block_cos2_ || !block_sin2_ ||
      !previous_frequency_) {
    release();
    return false;
  }
  return true;
}

void RidgeEnhancer::release() {
  block_mask_.reset();
  block_frequency_.reset();
  block_orientation_.reset();
  block_cos2_.reset();
  block_sin2_.reset();
  previous_frequency_.reset();
}

void RidgeEnhancer::enhance(std::uint8_t* image, std::uint8_t* skeleton) {
  if (!block_mask_) return;
  const std::size_t size = static_cast<std::size_t>(width_) * height_;
  // Short of memory the caller's image holds the ridge images instead.
  const std::unique_ptr<std::uint8_t[]> own_ridges(new (std::nothrow) std::uint8_t[size]);
  std::uint8_t* ridges = own_ridges ? own_ridges.get() : image;

  enhancement::BlockField blocks{
      width_ / block_size_,   height_ / block_size_, block_mask_.get(), block_orientation_.get(),
      block_frequency_.get(), block_cos2_.get(),     block_sin2_.get(), previous_frequency_.get()};
  const ImageVariant how = image_variant(image_type_);
  enhancement::skeletonize({image, width_, height_},
                           {how.inverted, how.passes, segmentation_divisor_}, blocks, ridges,
                           skeleton);
}

}  // namespace recognition
