// Opening and closing controller connections.
#pragma once

namespace relay::link {

int open_device(int device_type, const char* host, int port);
int close_device(int handle);

}  // namespace relay::link
