#pragma once
// A "/t" start that no one can see (started by cron with no desktop to show on)
// must never wait for an answer: it runs on Qt's offscreen platform, prints its
// messages and takes their default answers.

#include <string>
#include <vector>

namespace korvel {

// Called before the application object exists. True for a "/t" or "/catchup" start
// without a display that can be opened (or one told to run offscreen); the offscreen
// platform is chosen then.
bool ChooseHeadlessStart(const std::vector<std::string>& args);

// Message boxes print "Korvel: <text>" to standard error and take their default
// button; input boxes take the proposed text.
void InstallHeadlessAnswers();

// Number of notices (boxes with only OK: failures, refusals, stops) printed so far.
int HeadlessNoticeCount();

} // namespace korvel
