#pragma once
// JSON text for the probe's reports: pure ASCII, anything else escaped as \uXXXX.
#include <string>

std::string jsonString(const std::wstring& text);
std::string jsonString(const char* text);
