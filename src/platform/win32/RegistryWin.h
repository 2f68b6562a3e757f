#pragma once

#include <cstdint>
#include <optional>
#include <string>

// GetRight's settings through the Windows registry, ANSI calls only; no Qt, so that the
// same source builds into small Windows helpers.
//
// The REG_SZ value valueName under keyPath of the root key with handle value rootKey, up
// to its first NUL; nothing for a missing key, a missing value or any other type.
std::optional<std::string> ReadRegSzA(std::uint32_t rootKey, const std::string& keyPath,
                                      const std::string& valueName);
