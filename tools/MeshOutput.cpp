// SPDX-License-Identifier: MIT
#include "tools/MeshOutput.h"

#include <bit>

#include "io/AtomicFile.h"

namespace moon {
namespace {

// Text is handed to the file in pieces of about this size.
constexpr std::size_t kChunkBytes = 1 << 16;
constexpr std::size_t kReportEvery = 65536;

}  // namespace

MeshOutput::MeshOutput(AtomicFile& file, Progress progress)
    : m_file(file), m_progress(std::move(progress)) {
    m_text.reserve(kChunkBytes + 256);
}

void MeshOutput::AppendLittleEndian(std::uint32_t bits, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        m_text += static_cast<char>((bits >> (8 * i)) & 0xFFu);
    }
}

void MeshOutput::AppendFloat(double value) {
    AppendWord(std::bit_cast<std::uint32_t>(static_cast<float>(value)));
}

void MeshOutput::Advance(std::size_t units) {
    for (std::size_t i = 0; i < units; ++i) {
        if (++m_done % kReportEvery == 0 && m_progress && m_work > 0) {
            m_progress("writing", static_cast<double>(m_done) / static_cast<double>(m_work));
        }
    }
    if (m_text.size() >= kChunkBytes) {
        Flush();
    }
}

void MeshOutput::Finish() {
    Flush();
    if (m_progress) {
        m_progress("writing", 1.0);
    }
}

void MeshOutput::Flush() {
    if (m_text.empty()) {
        return;
    }
    m_file.Write(m_text);
    m_bytes += m_text.size();
    m_text.clear();
}

}  // namespace moon
