// The outcomes of posting: of one step of posting a score file, of a
// posting question, and of a whole posting run.
#pragma once

// The result of a posting step (the template check and merge, the layout
// program, the uploads or the form post of one file).
enum class PostResult {
    Success,          // done; go on
    Failed,           // failed or skipped; the user has been told
    Cancelled,        // the user chose Cancel in a question or dialog: stop the run
    StatusCancelled,  // the status channel answered a cancel: the run goes on like
                      // after a failure, and every later file stops at its first status
};

// The answer to a posting question (AskPostQuestion, CScoreFile::ConfirmPost).
enum class PostAnswer {
    Post,  // Yes, Yes to All, or no question was needed
    Skip,  // No: this file is not posted
    Stop,  // Cancel: no further file is posted
};

// What a step does after a question: post on, or end with the file skipped
// or the run stopped.
constexpr PostResult ToPostResult(PostAnswer answer)
{
    switch (answer) {
    case PostAnswer::Post:
        return PostResult::Success;
    case PostAnswer::Skip:
        return PostResult::Failed;
    case PostAnswer::Stop:
        return PostResult::Cancelled;
    }
    return PostResult::Cancelled;  // not an answer: post nothing more
}

// How a posting run (Post Games, Post..., Repost) ended, which decides what
// its command adds to the status line.
enum class PostRunResult {
    Ended,           // ran to its summary, or ended early with the status line saying why
    TemplateFailed,  // the score-file template could not be downloaded
    Cancelled,       // the user chose Cancel
};
