#include "platform/networks/NetworkPrecision.h"

#include <cstdlib>
#include <oneapi/dnnl/dnnl.hpp>

namespace orvane {

std::string_view rawValue(NetworkPrecision precision) {
    return precision == NetworkPrecision::bf16 ? "bf16" : "fp32";
}

namespace NetworkPrecisions {

std::optional<NetworkPrecision> fromRawValue(std::string_view text) {
    for (const auto precision : {NetworkPrecision::fp32, NetworkPrecision::bf16}) {
        if (rawValue(precision) == text) {
            return precision;
        }
    }
    return std::nullopt;
}

bool processorHasBf16() {
    // oneDNN orders its instruction sets by what they include: AVX-512 with BF16, then AMX.
    const auto isa = static_cast<unsigned>(dnnl::get_effective_cpu_isa());
    return (isa & static_cast<unsigned>(dnnl::cpu_isa::avx512_core_bf16)) ==
           static_cast<unsigned>(dnnl::cpu_isa::avx512_core_bf16);
}

NetworkPrecision preferred() {
    const bool bf16 = processorHasBf16();
    if (const char* chosen = std::getenv("ORVANE_NETWORK_PRECISION")) {
        if (const auto precision = fromRawValue(chosen)) {
            return *precision == NetworkPrecision::bf16 && !bf16 ? NetworkPrecision::fp32 : *precision;
        }
    }
    return bf16 ? NetworkPrecision::bf16 : NetworkPrecision::fp32;
}

} // namespace NetworkPrecisions

} // namespace orvane
