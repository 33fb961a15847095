#pragma once

// PLACEHOLDER for the fingerprint child's entry ("/fp") until the fingerprint
// child is built: logs that it is missing and returns 0.
int FingerprintChildPlaceholder();
