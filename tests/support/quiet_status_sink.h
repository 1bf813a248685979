// A frame that lets every step go on and shows nothing, for programs that
// drive the core without a window (benchmarks, fuzz targets). It only
// keeps the last status-line text, which error reports log.
#pragma once

#include <string>

#include "app/status_sink.h"

class CQuietStatusSink : public IStatusSink {
public:
    int StatusText(int pane, const std::string& text) override
    {
        if (pane == 2)
            m_last = text;
        return 1;
    }
    int UploadProgress(bool, int, int) override { return 1; }
    std::string GetLastStatus() const override { return m_last; }

private:
    std::string m_last;
};
