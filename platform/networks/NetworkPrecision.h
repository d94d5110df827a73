#pragma once

#include <optional>
#include <string_view>

namespace orvane {

// The number format a network runs in. bf16 rounds weights and activations to bfloat16 and adds up
// in float; on a processor with bfloat16 dot products it is about twice as fast as fp32, and its
// pictures differ from fp32's by less than one level in eight bits.
enum class NetworkPrecision { fp32, bf16 };

std::string_view rawValue(NetworkPrecision precision); // "fp32", "bf16"

namespace NetworkPrecisions {

std::optional<NetworkPrecision> fromRawValue(std::string_view text);

// Whether this processor has bfloat16 dot products (AVX-512 BF16 or AMX).
bool processorHasBf16();

// bf16 where the processor has it, else fp32; ORVANE_NETWORK_PRECISION=fp32 (or bf16, where the
// processor has it) chooses.
NetworkPrecision preferred();

} // namespace NetworkPrecisions

} // namespace orvane
