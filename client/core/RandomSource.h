// The program's one source of random numbers (reconnect back-off, random
// songs). Tests install their own source to make sequences repeatable.
#pragma once

#include <cstdint>

class RandomSource {
  public:
    virtual ~RandomSource() = default;
    virtual uint32_t Next() = 0;
};

// The source in force: the program's own unless a test installed another.
RandomSource& GetRandomSource();
// Installs an override; nullptr restores the program's source. The override
// must outlive its installation.
void SetRandomSourceOverride(RandomSource* source);
// Seeds the program's own source.
void SeedRandomSource(uint32_t seed);
