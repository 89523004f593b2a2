/*
 * A piece of work in a forked child of its own, and what it cost there: the
 * child's CPU time and peak memory (getrusage through wait4), and its exit
 * code. A child that spins is stopped at twice the CPU bound, one that
 * blocks at a few times that, so that a regression fails fast instead of
 * running into the test's time-out.
 */
#ifndef CHILD_COST_H
#define CHILD_COST_H

#include <signal.h>
#include <stdint.h>
#include <stdlib.h>
#include <time.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

struct ChildCost {
    bool ended = false; /* exited by itself */
    int code = -1;      /* its exit code when it did */
    int signal = 0;     /* the signal that ended it when it did not */
    double cpu = 0;
    long peak_kib = 0;
};

/* AddressSanitizer's shadow memory, redzones and quarantine inflate the
 * resident size of what a child allocates, so under it a memory bound is
 * loosened to twice its size; the CPU bound is the same in every build. */
#if defined(__SANITIZE_ADDRESS__)
#define ZV_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZV_ASAN 1
#endif
#endif
/* How much more CPU time a fixed piece of pixel work (passes over two 16 MB
 * buffers, the memory traffic of picture work) takes now than on a quiet
 * machine of this kind, never below 1. Beside other work (a build, a second
 * suite) the same code costs up to several times its CPU time here, through
 * shared caches and memory bandwidth; a bound scaled by it holds the
 * children to their own cost, not to the machine's load. The work is
 * compiled alike in every build, so that a sanitizer does not count. */
/* The measure itself, on two buffers of n words the caller owns (a fresh
 * allocation per call would take the allocator's lock in a thread that runs
 * beside fork). */
__attribute__((optimize("O2"), no_sanitize("address", "undefined"))) inline double
machine_slowdown_on(uint32_t *a, uint32_t *b, size_t n)
{
    const double k_quiet_seconds = 0.045;
    for (size_t i = 0; i < n; i++) {
        a[i] = (uint32_t)(i * 2654435761u);
        b[i] = 0;
    }
    double took[3];
    for (int round = 0; round < 3; round++) {
        struct timespec t0, t1;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t0);
        for (int pass = 0; pass < 16; pass++) {
            for (size_t i = 0; i < n; i++)
                b[i] = ((a[i] >> 1) & 0x7F7F7F7Fu) + ((b[i] >> 1) & 0x7F7F7F7Fu);
            uint32_t *t = a;
            a = b;
            b = t;
        }
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t1);
        took[round] = (double)(t1.tv_sec - t0.tv_sec) + (t1.tv_nsec - t0.tv_nsec) / 1e9;
    }
    /* The middle of three: one round may meet a burst either way. */
    const double lo = took[0] < took[1] ? took[0] : took[1];
    const double hi = took[0] < took[1] ? took[1] : took[0];
    const double best = took[2] < lo ? lo : (took[2] > hi ? hi : took[2]);
    return best > k_quiet_seconds ? best / k_quiet_seconds : 1;
}

const size_t k_slowdown_words = (size_t)4 << 20;

inline double machine_slowdown(void)
{
    uint32_t *a = (uint32_t *)malloc(k_slowdown_words * sizeof *a);
    uint32_t *b = (uint32_t *)malloc(k_slowdown_words * sizeof *b);
    const double slowdown = a && b ? machine_slowdown_on(a, b, k_slowdown_words) : 1;
    free(a);
    free(b);
    return slowdown;
}

#ifdef ZV_ASAN
const long k_memory_factor = 2;
#else
const long k_memory_factor = 1;
#endif

/* Starts body in a child; -1 when the fork fails. */
template <class Body> pid_t start_child(Body body, double cpu_limit)
{
    /* Only a hang or an unbounded cost may meet these: a child that is
     * merely slow on a loaded machine (where memory-heavy work takes twice
     * its quiet CPU time and wall time is several times CPU time) ends long
     * before them and is judged against its bound by the caller. */
    const rlim_t cpu_cap = (rlim_t)(cpu_limit * 2) + 1;
    fflush(stdout);
    fflush(stderr);
    pid_t child = fork();
    if (child < 0) {
        perror("fork");
        return -1;
    }
    if (child == 0) {
        alarm((unsigned)cpu_cap * 4);
        struct rlimit cpu = {cpu_cap, cpu_cap};
        setrlimit(RLIMIT_CPU, &cpu);
        _exit(body());
    }
    return child;
}

inline ChildCost wait_child(pid_t child)
{
    ChildCost cost;
    int status = 0;
    struct rusage usage;
    if (child < 0 || wait4(child, &status, 0, &usage) != child)
        return cost;
    cost.ended = WIFEXITED(status);
    cost.code = cost.ended ? WEXITSTATUS(status) : -1;
    cost.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    cost.cpu = (double)usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 +
               (double)usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
    cost.peak_kib = usage.ru_maxrss;
    return cost;
}

template <class Body> ChildCost cost_in_child(Body body, double cpu_limit)
{
    return wait_child(start_child(body, cpu_limit));
}

#endif
