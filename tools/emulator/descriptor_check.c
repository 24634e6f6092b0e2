/* Checks that each thread of a 32-bit x86 process has descriptor-table entries of its own, as
 * Linux gives them: the main thread points a thread-local entry at one block, a second thread
 * points the same entry at another, and the main thread, loading its segment register again, must
 * still reach its own block. Wine's 32-bit side finds its thread data this way; an emulator that
 * shares one table between threads sends a thread that reloads %fs (after a signal) into the
 * newest thread's data, and waits never end.
 *
 * No C library (the machine needs no 32-bit development files): raw system calls, a thread made
 * with clone. Exit code 0 when the entries are per thread, 1 when they are shared, 2 when the
 * check itself could not run.
 *   gcc -m32 -static -nostdlib -ffreestanding -fno-pie -no-pie -fno-stack-protector -O1 */

enum { SYS_exit = 1, SYS_write = 4, SYS_clone = 120, SYS_sched_yield = 158, SYS_set_thread_area = 243 };
enum { CLONE_THREAD_FLAGS = 0x00000100 | 0x00000200 | 0x00000400 | 0x00000800 | 0x00010000 | 0x00040000 };

struct user_desc {
    int entry_number;
    unsigned base_addr, limit;
    unsigned flags; /* seg_32bit, contents (2), read_exec_only, limit_in_pages, not_present, useable */
};

static long syscall3(long number, long a, long b, long c) {
    long result;
    __asm__ volatile("int $0x80" : "=a"(result) : "a"(number), "b"(a), "c"(b), "d"(c) : "memory");
    return result;
}

static void say(const char *text) {
    long length = 0;
    while (text[length]) ++length;
    syscall3(SYS_write, 2, (long)text, length);
}

static unsigned main_block[4] = {0x11111111}, thread_block[4] = {0x22222222};
static int entry;
static volatile int thread_state; /* 0 running, 1 saw its own block, 2 did not */
static unsigned thread_stack[4096];

static int point_entry_at(int number, unsigned *block) {  /* the entry's number, or < 0 */
    struct user_desc desc = {number, (unsigned)block, 0xfffff, 0x51};
    if (syscall3(SYS_set_thread_area, (long)&desc, 0, 0) != 0) return -1;
    return desc.entry_number;
}

static unsigned read_through_entry(void) {  /* loads %fs from the entry again, reads %fs:0 */
    unsigned value;
    unsigned short selector = (unsigned short)(entry * 8 + 3);
    __asm__ volatile("movw %1, %%fs\n\tmovl %%fs:0, %0" : "=r"(value) : "r"(selector) : "memory");
    return value;
}

static void second_thread(void) {
    int ok = point_entry_at(entry, thread_block) == entry && read_through_entry() == thread_block[0];
    thread_state = ok ? 1 : 2;
}

static long start_thread(void (*body)(void)) {  /* the new thread runs body, then ends */
    unsigned *top = thread_stack + sizeof thread_stack / sizeof *thread_stack;
    *--top = (unsigned)body;
    long result;
    __asm__ volatile(
        "int $0x80\n\t"
        "testl %%eax, %%eax\n\t"
        "jnz 1f\n\t"
        "popl %%ecx\n\t"
        "call *%%ecx\n\t"
        "movl $1, %%eax\n\t"
        "xorl %%ebx, %%ebx\n\t"
        "int $0x80\n"
        "1:"
        : "=a"(result)
        : "a"(SYS_clone), "b"(CLONE_THREAD_FLAGS), "c"(top), "d"(0), "S"(0), "D"(0)
        : "memory");
    return result;
}

static int check(void) {
    entry = point_entry_at(-1, main_block);
    if (entry < 0 || read_through_entry() != main_block[0]) {
        say("descriptor check: set_thread_area did not work at all\n");
        return 2;
    }
    if (start_thread(second_thread) < 0) {
        say("descriptor check: no second thread could be started\n");
        return 2;
    }
    while (thread_state == 0) syscall3(SYS_sched_yield, 0, 0, 0);
    if (thread_state != 1) {
        say("descriptor check: the second thread could not set its own entry\n");
        return 2;
    }
    if (read_through_entry() != main_block[0]) {
        say("descriptor check: FAILED: a second thread's set_thread_area changed the main thread's "
            "entry (one descriptor table shared by all threads)\n");
        return 1;
    }
    say("descriptor check: each thread has its own descriptor-table entries\n");
    return 0;
}

void _start(void) {
    syscall3(SYS_exit, check(), 0, 0);
    for (;;) {}
}
