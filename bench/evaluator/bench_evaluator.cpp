// Evaluation speed of the formula evaluator against muparser and plain C++, the
// cost of compiling a formula anew for each evaluation, and the worst compile
// times found for hostile texts. A summary with ratios (thread CPU time) is printed
// at the end.
#include <benchmark/benchmark.h>

#include <muParser.h>

#include <ctime>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <map>
#include <string>
#include <vector>

#include "ExPars.h"

using namespace jjgz::eval;

namespace {

struct Formula {
  const char* name;
  const char* ours;
  const char* mu;
  double (*plain)(const double* f);
};

const Formula kFormulas[] = {
    {"rate", "f1+f2*0.05", "f1+f2*0.05", [](const double* f) { return f[0] + f[1] * 0.05; }},
    {"ratio", "(f1-f2)/f3", "(f1-f2)/f3", [](const double* f) { return (f[0] - f[1]) / f[2]; }},
    {"sum", "(f1+f2+f3)*0.1-f4", "(f1+f2+f3)*0.1-f4",
     [](const double* f) { return (f[0] + f[1] + f[2]) * 0.1 - f[3]; }},
    {"condition", "f3>=2000 AND f4<5", "f3>=2000 && f4<5",
     [](const double* f) { return double(f[2] >= 2000 && f[3] < 5); }},
};

// Inputs change on every evaluation so nothing can be hoisted.
struct Inputs {
  double f[4] = {1500.25, 320.5, 2100, 3};
  void Step() {
    f[0] += 0.5;
    f[3] = f[3] > 6 ? 1 : f[3] + 1;
  }
};

std::map<std::string, double> g_ns;  // "kind/name" -> ns per evaluation

// CPU time of this thread, so that other load on the machine counts less.
double ThreadNs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) * 1e9 + double(ts.tv_nsec);
}

template <class F>
void Timed(benchmark::State& state, const std::string& key, F&& body) {
  double t0 = ThreadNs();
  int64_t n = 0;
  for (auto _ : state) {
    body();
    ++n;
  }
  double t1 = ThreadNs();
  if (n) g_ns[key] = (t1 - t0) / double(n);
}

void BM_Plain(benchmark::State& state, const Formula* f) {
  Inputs in;
  Timed(state, std::string("plain/") + f->name, [&] {
    in.Step();
    benchmark::DoNotOptimize(f->plain(in.f));
  });
}

void BM_MuParser(benchmark::State& state, const Formula* f) {
  Inputs in;
  mu::Parser p;
  p.DefineVar("f1", &in.f[0]);
  p.DefineVar("f2", &in.f[1]);
  p.DefineVar("f3", &in.f[2]);
  p.DefineVar("f4", &in.f[3]);
  p.SetExpr(f->mu);
  p.Eval();
  Timed(state, std::string("muparser/") + f->name, [&] {
    in.Step();
    benchmark::DoNotOptimize(p.Eval());
  });
}

// The host's handler answers the names from the current row, as the wage sheet does.
void Attach(TExParser& p, Inputs& in) {
  p.OnVariable = [&in](TCustomParser&, const std::string& name, TValue& r) {
    r.SetReal(varDouble, in.f[name[1] - '1']);
  };
}

void BM_Ours(benchmark::State& state, const Formula* f) {
  Inputs in;
  TExParser p;
  Attach(p, in);
  p.ExpressionSetInPlace({f->ours});
  p.Evaluate();
  Timed(state, std::string("ours/") + f->name, [&] {
    in.Step();
    benchmark::DoNotOptimize(p.Evaluate());
  });
}

// The same without a handler: the host stores the row's values into the external
// variables itself before each evaluation, so the figure is the evaluator's own.
void BM_OursPreset(benchmark::State& state, const Formula* f) {
  Inputs in;
  TExParser p;
  p.ExpressionSetInPlace({f->ours});
  p.EvalObj().Prepare();
  std::vector<std::pair<TVariable*, int>> vars;
  for (size_t i = 0; i < p.ExternalVariables().Count(); ++i) {
    TVariable* v = p.ExternalVariables().At(i);
    vars.emplace_back(v, v->VarName()[1] - '1');
  }
  Timed(state, std::string("ours-preset/") + f->name, [&] {
    in.Step();
    for (auto& [v, k] : vars) v->Cell()->SetDouble(in.f[k]);
    benchmark::DoNotOptimize(p.Evaluate());
  });
}

void BM_OursCompileEach(benchmark::State& state, const Formula* f) {
  Inputs in;
  TExParser p;
  Attach(p, in);
  std::vector<std::string> lines{f->ours};
  Timed(state, std::string("ours-compile-each/") + f->name, [&] {
    in.Step();
    p.ExpressionSetInPlace(lines);
    benchmark::DoNotOptimize(p.Evaluate());
  });
}

// Compile (or fail to compile) hostile texts: about 2,000 characters, the fuzzer's
// finds, and two far longer ones.
struct Hostile {
  const char* name;
  std::function<std::string()> make;
};

std::string Repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

// Texts a fuzzer found slow to refuse, read from bench/evaluator/hostile.
std::string HostileFile(const char* name) {
  std::ifstream in(std::string(JJGZ_HOSTILE_DIR) + "/" + name, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

const Hostile kHostile[] = {
    {"long-sum", [] { return "f1" + Repeat("+f1", 666); }},
    {"long-difference", [] { return "f1" + Repeat("-f1", 666); }},
    {"mixed-chain", [] { return "f1" + Repeat("-f1*f2/f3+f4", 166); }},
    {"deep-parentheses", [] { return Repeat("(", 999) + "1" + Repeat(")", 999); }},
    {"deep-nested-sums", [] { return Repeat("(f1+", 399) + "1" + Repeat(")", 399); }},
    {"unary-minus-chain", [] { return Repeat("-", 1999) + "f1"; }},
    {"failing-times-minus", [] { return Repeat("f1*-", 499) + "f1"; }},
    {"failing-comparisons", [] { return Repeat("f1<", 666) + "="; }},
    {"failing-trailing-op", [] { return Repeat("f1-f2*", 333) + "f1 NOT"; }},
    {"many-powers", [] { return Repeat("f1^", 666) + "2"; }},
    {"call-arguments", [] { return "F(" + Repeat("f1-f2,", 333) + "f1)"; }},
    {"words", [] { return Repeat("f1 AND f2 OR ", 166) + "f1"; }},
    {"statements", [] { return Repeat("IF f1 > 0 THEN x := x + 1; ", 74); }},
    {"fuzz-compile-slow-1", [] { return HostileFile("compile-slow-1"); }},
    {"fuzz-compile-slow-2", [] { return HostileFile("compile-slow-2"); }},
    // Far beyond any formula: the cost of refusing them grows with the text only.
    {"1MB-sum", [] { return "1" + Repeat("+1", 500000); }},
    {"100000-nested-calls", [] { return Repeat("ABS(", 100000) + "1" + Repeat(")", 100000); }},
};

void BM_Hostile(benchmark::State& state, const Hostile* h) {
  std::string text = h->make();
  TExParser p;
  Timed(state, std::string("hostile/") + h->name, [&] {
    p.ExpressionSetInPlace({text});
    try {
      p.EvalObj().Prepare();
    } catch (const EEvalError&) {
    }
  });
  state.counters["chars"] = double(text.size());
}

void Register() {
  for (const Formula& f : kFormulas) {
    benchmark::RegisterBenchmark((std::string("plain/") + f.name).c_str(), BM_Plain, &f);
    benchmark::RegisterBenchmark((std::string("muparser/") + f.name).c_str(), BM_MuParser, &f);
    benchmark::RegisterBenchmark((std::string("ours/") + f.name).c_str(), BM_Ours, &f);
    benchmark::RegisterBenchmark((std::string("ours-preset/") + f.name).c_str(), BM_OursPreset, &f);
    benchmark::RegisterBenchmark((std::string("ours-compile-each/") + f.name).c_str(), BM_OursCompileEach, &f);
  }
  for (const Hostile& h : kHostile)
    benchmark::RegisterBenchmark((std::string("hostile/") + h.name).c_str(), BM_Hostile, &h)
        ->Unit(benchmark::kMillisecond);
}

void Summary() {
  std::printf("\n%-12s %10s %10s %10s %10s %14s %9s %11s %9s\n", "formula", "plain ns", "muparser", "ours",
              "ours-preset", "compile-each", "ours/mu", "preset/mu", "ours/plain");
  for (const Formula& f : kFormulas) {
    std::string n = f.name;
    double pl = g_ns["plain/" + n], mu = g_ns["muparser/" + n], ours = g_ns["ours/" + n],
           preset = g_ns["ours-preset/" + n], each = g_ns["ours-compile-each/" + n];
    std::printf("%-12s %10.1f %10.1f %10.1f %10.1f %14.1f %9.2f %11.2f %9.1f\n", f.name, pl, mu, ours, preset, each,
                mu > 0 ? ours / mu : 0, mu > 0 ? preset / mu : 0, pl > 0 ? ours / pl : 0);
  }
  std::printf("\n%-22s %12s\n", "hostile text", "compile ms");
  double worst = 0;
  std::string worstName;
  for (const Hostile& h : kHostile) {
    double ms = g_ns[std::string("hostile/") + h.name] / 1e6;
    std::printf("%-22s %12.3f\n", h.name, ms);
    if (h.make().size() <= 4096 && ms > worst) {
      worst = ms;
      worstName = h.name;
    }
  }
  std::printf("worst: %s, %.3f ms (limit 50 ms for texts up to 4 KB)\n", worstName.c_str(), worst);
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Summary();
  return 0;
}
