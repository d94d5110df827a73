#pragma once

#include "editor/BatchConversion.h"

#include <QSemaphore>
#include <atomic>
#include <cstddef>
#include <filesystem>

namespace orvane::test {

// Holds one item's conversion until released, so a test can act while that item is in flight.
struct BatchGate {
    explicit BatchGate(std::size_t index)
        : index(index) {}

    std::size_t index;
    std::atomic<bool> entered = false;
    QSemaphore release;

    // Each item's work as the batch does it, with the work of item `index` held at the gate.
    BatchConversion::ItemWork around(ConvertOptions options, std::filesystem::path folder) {
        return [this, options, folder](const BatchState::Item& item, std::size_t at) {
            if (at == index) {
                entered = true;
                release.acquire();
            }
            return BatchConversion::convertItem(item, options, folder);
        };
    }
};

} // namespace orvane::test
