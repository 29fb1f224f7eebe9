// Visibility of the host library's API: the host is one shared library that the editor
// program and every plug-in link, so its process-wide state (the service accessor, the
// log categories, the reflection registry) exists exactly once.
#pragma once

#define HOST_API __attribute__((visibility("default")))
