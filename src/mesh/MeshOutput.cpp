// SPDX-License-Identifier: MIT
#include "mesh/MeshOutput.h"

#include "io/AtomicFile.h"

namespace moon {

MeshOutput::MeshOutput(AtomicFile& file, Progress progress)
    : m_file(file), m_progress(std::move(progress)) {
    m_text.reserve(kChunkBytes + 256);
}

void MeshOutput::Pass() {
    if (m_done >= m_nextReport) {
        m_nextReport = m_done + kReportEvery;
        if (m_progress && m_work > 0) {
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
    m_text.clear();
}

}  // namespace moon
