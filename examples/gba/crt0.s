@ Start-up code of the example ROMs: the cartridge header, the stacks, .data and .bss, then main.

        .section .crt0, "ax"
        .arm
        .global _start
_start:
        b       reset

        @ The logo area (156 bytes) stays zero: emulators boot without it; a flash cartridge
        @ wants it filled in by its own header tool.
        .fill   156, 1, 0
        .ascii  "MORVANE DEMO"          @ title, 12 bytes
        .ascii  "MRVE"                  @ game code
        .ascii  "00"                    @ maker code
        .byte   0x96                    @ fixed value every header carries
        .byte   0                       @ main unit code
        .byte   0                       @ device type
        .fill   7, 1, 0                 @ reserved
        .byte   0                       @ software version
        .byte   0x5a                    @ complement check of bytes 0xA0-0xBC of this header
        .fill   2, 1, 0                 @ reserved

reset:
        mov     r0, #0x12               @ IRQ mode: its own stack
        msr     cpsr_c, r0
        ldr     sp, =__sp_irq
        mov     r0, #0x1f               @ system mode, where main runs
        msr     cpsr_c, r0
        ldr     sp, =__sp_usr

        ldr     r0, =__data_load        @ initialised data: ROM to IWRAM
        ldr     r1, =__data_start
        ldr     r2, =__data_end
1:      cmp     r1, r2
        ldrlo   r3, [r0], #4
        strlo   r3, [r1], #4
        blo     1b

        ldr     r1, =__bss_start        @ zeroed data
        ldr     r2, =__bss_end
        mov     r3, #0
2:      cmp     r1, r2
        strlo   r3, [r1], #4
        blo     2b

        ldr     r0, =main               @ main is Thumb code: bx switches state
        mov     lr, pc
        bx      r0
3:      b       3b

        .pool
