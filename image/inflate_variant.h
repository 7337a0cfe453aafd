// Which build of inflate's fast loop runs. The portable one is plain C++;
// on x86-64 a second build of the same loop uses BMI2 where the CPU has it.
// Chosen at start-up; tests pin each available one in turn.
#pragma once

enum class InflateVariant { Portable, Bmi2 };

bool inflateVariantAvailable(InflateVariant variant);

// Process-wide: the variant decodeDeflate uses. Only ever set to an available
// one.
extern InflateVariant inflateVariant;
