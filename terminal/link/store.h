// The terminal's own store of users and templates, its recognition result and FP code.
// The same bytes go to every model.
#pragma once

#include <cstdint>

#include "terminal/link/device_table.h"

namespace vornc::store {

inline constexpr int kRecognitionBytes = 128;
inline constexpr int kFpCodeBytes = 2048;

std::int32_t send_command(TerminalSlot& slot, std::uint8_t command, std::uint8_t value);
std::int32_t write_template(TerminalSlot& slot, const std::uint8_t* data, std::int32_t size);
// `in_memory`: the template in the terminal's working memory rather than the stored one.
std::int32_t read_template(TerminalSlot& slot, std::uint8_t* buffer, std::int32_t size,
                           bool in_memory);
std::int32_t delete_template(TerminalSlot& slot);

std::int32_t load_from_flash(TerminalSlot& slot);
std::int32_t save_to_flash(TerminalSlot& slot);
// `modify`: change an existing user rather than create one.
std::int32_t put_user(TerminalSlot& slot, bool modify, std::uint8_t* user_number, const char* name1,
                      const char* name2);
std::int32_t delete_user(TerminalSlot& slot, std::uint8_t user_number);
std::int32_t delete_templates_of_user(TerminalSlot& slot, std::uint8_t user_number);
std::int32_t create_template(TerminalSlot& slot, std::uint8_t value);
std::int32_t stop_create_template(TerminalSlot& slot);

std::int32_t get_recognition_id(TerminalSlot& slot, std::uint8_t* buffer);
std::int32_t get_fp_code(TerminalSlot& slot, std::uint8_t* code);

}  // namespace vornc::store
