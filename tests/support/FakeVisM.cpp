#include "support/FakeVisM.h"

#include <gtest/gtest.h>

FakeVisM& FakeVisM::Answer(FakeAnswer Answer)
{
    script_.push_back({std::nullopt, std::move(Answer)});
    return *this;
}

FakeVisM& FakeVisM::Expect(const std::string& Code, FakeAnswer Answer)
{
    script_.push_back({Code, std::move(Answer)});
    return *this;
}

void FakeVisM::ClearLog()
{
    log_.clear();
    runs_.clear();
}

void FakeVisM::SetCode(const std::string& Value)
{
    log_.push_back("Code=" + Value);
    TVisM::SetCode(Value);
}

void FakeVisM::SetExecFlag(int Value)
{
    log_.push_back("ExecFlag=" + std::to_string(Value));
    TVisM::SetExecFlag(Value);
}

void FakeVisM::SetNameSpace(const std::string& Value)
{
    log_.push_back("NameSpace=" + Value);
    TVisM::SetNameSpace(Value);
}

void FakeVisM::SetP(int Index, const TVariant& Value)
{
    log_.push_back("P" + std::to_string(Index) + "=" + Value.AsString());
    TVisM::SetP(Index, Value);
}

void FakeVisM::SetResultValue(const TVariant& Value)
{
    log_.push_back("ResultValue=" + Value.AsString());
    TVisM::SetResultValue(Value);
}

void FakeVisM::Execute()
{
    runs_.push_back(Code());
    if (script_.empty())
        return;
    Scripted next = std::move(script_.front());
    script_.pop_front();
    if (next.code) {
        EXPECT_EQ(Code(), *next.code) << "run " << runs_.size() << " executed other M code than expected";
    }
    FakeAnswer& answer = next.answer;
    EXPECT_FALSE(answer.result && !answer.error.empty()) << "run " << runs_.size() << ": a failed run has no result";
    if (answer.during)
        answer.during();
    for (const auto& [index, value] : answer.registers)
        StoreRegister(index, value);
    if (answer.result)
        StoreResult(*answer.result);
    if (!answer.error.empty()) {
        log_.push_back("Error=" + answer.error);
        ReportError(answer.error);
    }
}
