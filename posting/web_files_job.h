// The record a posting hands to the worker thread that has the layout
// program make a score file's results page and PDF (CScoreFile::
// BuildWebFiles). The user-interface thread fills it, the worker writes it,
// and the user-interface thread reads it again only after the worker ended.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "app/deferred_prompter.h"
#include "app/setup_data.h"

class CScoreFile;

struct CreateWebFilesJob {
    CreateWebFilesJob(CScoreFile* scoreFile, const CSetupData& setup)
        : file(scoreFile),
          htmlLayout(setup.m_strHtmlLayout),
          pdfLayout(setup.m_strPdfLayout),
          setupFlags(setup.GetFlags())
    {
    }

    CScoreFile* file;
    // The step in progress (a static text); what a failure report names.
    const char* step = nullptr;
    // The program exception (a CException) that ended the steps, or null.
    std::exception_ptr exception;
    // What "VT CheckScoreData" answered; 0 when it was not run.
    int boardsReported = 0;

    // The settings the steps read, copied on the user-interface thread so
    // that the worker never reads the live setup.
    std::string htmlLayout;
    std::string pdfLayout;
    uint32_t setupFlags;

    // Error boxes the worker asked for; shown after it ended.
    CDeferredPrompter boxes;
};
