// Reading and writing PNG files as packed 8-bit RGB rows, top row first.
#pragma once

#include <string>
#include <vector>

namespace vesk {

constexpr int kMaxImageSide = 16384;

bool ReadPng(const std::string& path, int* width, int* height, std::vector<unsigned char>* rgb,
             std::string* why);
bool WritePng(const std::string& path, int width, int height, const unsigned char* rgb,
              std::string* why);

}  // namespace vesk
