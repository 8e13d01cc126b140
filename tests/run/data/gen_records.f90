! Expected records of the edit-descriptor writer, as gfortran writes them.
! Each case is preceded by a marker record "=== n"; the records of the case follow
! exactly as written (trailing blanks included). Regenerate with
!   gfortran gen_records.f90 && ./a.out > records_expected.txt
! The C++ test holds the same cases, number for number.
program gen_records
  use, intrinsic :: ieee_arithmetic
  implicit none
  real :: pinf, ninf, qnan, sub
  character(len=75) :: s75
  integer :: i

  pinf = ieee_value(1.0, ieee_positive_inf)
  ninf = ieee_value(1.0, ieee_negative_inf)
  qnan = ieee_value(1.0, ieee_quiet_nan)
  sub = transfer(1, 1.0)   ! the smallest subnormal, 1.4E-45
  s75 = 'THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 0123456789 ABCDEFGHIJKLMNOPQRST'

  ! G13.5: F form from 0.1 to below 10**5 after rounding to 5 digits, else E form
  call mark(1)
  write(*,"(G13.5,'|')") 0.099999, 0.1, 0.099995, 0.0999949, 0.0999995, 99999.4, 99999.5, &
       99998.5, 1.0e5, 1.0e-3, 0.0, -0.0, 0.5, 50.0, 0.05, -0.5, -99999.4, 1.0, 12345.67, &
       123456.7, 3.4e38, -1.23456e-10, 1.0e-40
  call mark(2)
  write(*,"(G11.4,'|')") 0.0, 0.09999, 0.1, 9999.4, 9999.5, -1234.5, 1.5e-7, -2.5e12, 0.125
  call mark(3)
  write(*,"(G10.3,'|',G9.3,'|',G6.5,'|',G13.2,'|')") 1.0e-30, -1.0e30, 12345.0, 0.125, &
       -1.0e30, 1.0e-30, -1.0, 0.375
  ! F: leading zero when there is room, rounding of the exact value, overflow
  call mark(4)
  write(*,"(F6.3,'|')") 0.5, -0.5, 0.0004, -0.0004, 0.0005, -0.0, 12.3456, 99.9996, &
       -9.9996, 123.456, -99.9996
  call mark(5)
  write(*,"(F10.1,'|',F11.2,'|')") 123456.78, 1.0e7, -1.0e8, -1.0e7, 1.0e9, 1.0e8, &
       0.05, 0.125, 0.04999, 0.375, -0.04, 3.4e38
  call mark(6)
  write(*,"(F3.0,'|',F3.1,'|',F4.3,'|',F5.3,'|',F2.1,'|')") 2.5, 0.5, 0.5, 0.5, 0.5, &
       3.5, -0.5, -0.5, -0.5, -0.5
  ! 1P,E: one non-zero digit before the point, two exponent digits
  call mark(7)
  write(*,"(1P,E10.3,'|')") 0.5, -0.25, 0.0, -0.0, 1.0e-30, 1.0e30, -1.0e-38, 3.4e38, &
       sub, 9.9996, 123456.0, -0.00012345, 0.125e-3
  call mark(8)
  write(*,"(1PE8.3,'|',1P,E9.2,'|',E10.3,'|')") 1.0, 1.0, 0.5, -1.0e-30, -1.0, -1.0e-30
  ! the scale factor holds across reversion; G after 1P
  call mark(9)
  write(*,"(1X,1P,E10.3/(1X,E10.3,G13.5))") 0.5, 0.25, 0.05, 0.125, 50.0
  ! I: overflow as asterisks, minimum digits
  call mark(10)
  write(*,"(I2,'|',I3,'|',I4,'|',I6,'|',I7,'|')") &
       0, 0, 0, 0, 0, &
       7, -7, 7, -7, 7, &
       99, 999, 9999, 999999, 9999999, &
       -9, -99, -999, -99999, -999999, &
       100, 1000, 10000, 1000000, 10000000, &
       -10, -100, -1000, -100000, -1000000
  call mark(11)
  write(*,"(I2.2,'|',I6.3,'|',I3.0,'|')") 7, -7, 0, 12, 12345, 5, 0, 0, 1, -7, 7, -1, &
       123, -1234567, 100
  ! L, A
  call mark(12)
  write(*,"(L1,'|',L3,'|')") .true., .false., .false., .true.
  call mark(13)
  write(*,"(A8,'|',A,'|',A1,'|')") 'short', 'abc', 'xyz', 'exactly8', '', 'y', &
       'longer than eight', 'it''s', 'q', '', 'longer text', ''
  call mark(14)
  write(*,"(9A8)") 'a', 'bb', 'ccc', 'dddddddd', 'eeeeeeeee', 'f', 'gg', 'hhh', 'iiii'
  call mark(15)
  write(*,"(1X,9A8)") 'one', 'two', 'three'
  call mark(16)
  write(*,"(72A1)") (s75(i:i), i = 1, 75)
  ! reversion: more items than data descriptors
  call mark(17)
  write(*,"(1X,3I4)") 1, 2, 3, 4, 5, 6, 7
  call mark(18)
  write(*,"(1X,'A=',2(I3,','),'end')") 1, 2, 3, 4, 5
  call mark(19)
  write(*,"(1X,'head',/,(1X,2G13.5))") 1.0, 2.0, 3.0, 4.0, 5.0
  call mark(20)
  write(*,"(2X,I3,2(2X,I3,2X),I2)") 1, 2, 3, 4, 5, 6, 7, 8
  call mark(21)
  write(*,"(1X,2(I2,'-',2(A1)),'|')") 1, 'a', 'b', 2, 'c', 'd', 3, 'e', 'f', 4
  ! fewer items than data descriptors: the record ends before the first one left
  call mark(22)
  write(*,"(1X,'a=',I3,' b=',I3,' end')") 1
  call mark(23)
  write(*,"(1X,A,G13.5,A)") 'CPUTIME LEFT FOR SAVING FIELDS : TSOS ='
  call mark(24)
  write(*,"(1X,A,G13.5,A)") 'CPUTIME LEFT FOR SAVING FIELDS : TSOS =', 12.5, '(S)'
  ! slashes
  call mark(25)
  write(*,"(1X,A,/)") 'x'
  call mark(26)
  write(*,"('0'/1X,A)") 'z'
  call mark(27)
  write(*,"('0'/)")
  call mark(28)
  write(*,"(/1X,A,2/1X,A)") 'p', 'q'
  call mark(29)
  write(*,"(A,/)") 'a', 'b'
  ! nX: blanks only before a literal or data item written in the same record
  call mark(30)
  write(*,"(A,5X)") 'a'
  call mark(31)
  write(*,"(A,5X,A)") 'a'
  call mark(32)
  write(*,"(A,5X,'lit',3X)") 'a'
  call mark(33)
  write(*,"(5X,A,2X,/,3X,A)") 'b', 'c'
  call mark(34)
  write(*,"(1X)")
  call mark(35)
  write(*,"(1X,'abc',2X,I3,'x')")
  call mark(36)
  write(*,"(I3,2X)") 1, 2
  ! not-a-number and infinity
  call mark(37)
  write(*,"(G13.5,'|',F8.2,'|',1P,E10.3,'|')") pinf, pinf, pinf, ninf, ninf, ninf, &
       qnan, qnan, qnan
  call mark(38)
  write(*,"(F3.0,'|',F4.0,'|',F7.0,'|',F8.0,'|',F9.0,'|')") pinf, pinf, pinf, pinf, pinf, &
       ninf, ninf, ninf, ninf, ninf, qnan, qnan, qnan, qnan, qnan
  ! G with an integer, a switch and a text
  call mark(39)
  write(*,"(G13.5,'|',G5.1,'|',G4.1,'|',G6.2,'|')") 5, 123456, .true., 'abcdefgh'
  ! literals, blanks in the list, empty list
  call mark(40)
  write(*,"(1X, 'it''s', 1X, I3, ' ', ""q"")") 42
  call mark(41)
  write(*,"()")
  call mark(42)
  write(*,"(1X,'0',3(1X,F6.2))") 1.0, 2.0, 3.0, 4.0
  ! F after a scale factor: the value times 10**k
  call mark(43)
  write(*,"(1P,F8.2,'|',-1P,F8.3,'|',2P,F8.1,'|',0P)") 1.2345, 0.5, 3.14159, -0.0625, 99.99, 0.004
contains
  subroutine mark(n)
    integer, intent(in) :: n
    write(*,"('=== ',I0)") n
  end subroutine mark
end program gen_records
